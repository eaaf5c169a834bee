#include "Cups.h"
#include "PdfText.h"
#include "TestReport.h"
#include "report/Layout.h"
#include "report/Viewer.h"
#include "report/desktop/PreviewDialog.h"
#include "report/desktop/QtDesktop.h"
#include "report/print/AlignmentSheet.h"
#include "report/print/Output.h"
#include "report/print/PageSetup.h"
#include "report/print/Preview.h"
#include "report/print/Printing.h"

#include <QApplication>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

#include <cups/cups.h>

#include <algorithm>
#include <limits>
#include <memory>

using namespace kema::report;
using namespace Qt::StringLiterals;
using kema::test::PdfWord;

namespace {

const QString kFaultQueue = u"kema_fault"_s;
const QString DocumentName = u"来店伝票（印刷試験）"_s;
const QString A4Media = u"iso_a4_210x297mm"_s;

int lpadmin(const QStringList& arguments) {
    return QProcess::execute(u"lpadmin"_s, arguments);
}

// The words agree in text and place: along the line to half a point; across it to 3 points,
// as the printer's conversion of the font changes the ascent and descent the box is made of.
bool sameWords(const QList<PdfWord>& a, const QList<PdfWord>& b) {
    const auto near = [](qreal x, qreal y, qreal tolerance) { return qAbs(x - y) < tolerance; };
    return std::equal(
        a.begin(), a.end(), b.begin(), b.end(), [&](const PdfWord& v, const PdfWord& w) {
            return v.text == w.text && near(v.box.left(), w.box.left(), 0.5) &&
                   near(v.box.right(), w.box.right(), 0.5) && near(v.box.top(), w.box.top(), 3) &&
                   near(v.box.bottom(), w.box.bottom(), 3);
        });
}

// A report on the test queue whose start event runs the standard page setup.
void onTestQueue(TestReport& report, int copies = 1, const QString& queue = {}) {
    report.setTarget(Target::Printer);
    report.setCopies(copies);
    QVERIFY(selectQueue(*reportPrinter(report).value(),
                        queue.isEmpty() ? qEnvironmentVariable("KEMA_TEST_CUPS_QUEUE") : queue)
                .ok());
    report.onStart = [&report] { QVERIFY(StandardPageSetup(report).ok()); };
}

const QString CloseTool = u"終了(&C)"_s;
using Keys = QList<QPair<int, int>>;

// A report that ran, with the slips' window settings and their added tool.
std::unique_ptr<TestReport> ranReport(int records = 1) {
    auto report = std::make_unique<TestReport>(records);
    report->setTarget(Target::Preview);
    report->viewer().windowHeight = 11100;
    report->viewer().windowWidth = 15360;
    report->viewer().caption = u"来店伝票"_s;
    report->onStart = [r = report.get()] {
        r->viewer().tools.append(CloseTool);
        QVERIFY(StandardPageSetup(*r).ok());
    };
    if (!report->run())
        return nullptr;
    return report;
}

// Closes whatever modal window comes up, so that a test never hangs on exec().
struct ModalWatch {
    bool seen = false;
    QTimer timer;
    ModalWatch() {
        timer.setInterval(50);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                seen = true;
                modal->close();
            }
        });
        timer.start();
    }
};

constexpr qint32 Max32 = std::numeric_limits<qint32>::max();
constexpr qint32 Min32 = std::numeric_limits<qint32>::min();

// A printer with fixed device values: present, width, height, printable width and height,
// offsets; by default at 600 dpi.
class FixedDevice final : public PrinterDevice {
public:
    explicit FixedDevice(QList<qint64> values, float factor = 1440.0f / 600.0f)
        : m_values(values), m_factor(factor) {}
    bool available() const override { return m_values[0] != 0; }
    float twipsPerPixelX() const override { return m_factor; }
    float twipsPerPixelY() const override { return m_factor; }
    qint32 deviceCaps(int index) const override {
        const int caps[] = {PhysicalWidth, PhysicalHeight,  HorzRes,
                            VertRes,       PhysicalOffsetX, PhysicalOffsetY};
        for (int i = 0; i < 6; ++i)
            if (caps[i] == index)
                return qint32(m_values[i + 1]);
        return 0;
    }

private:
    QList<qint64> m_values;
    float m_factor;
};

// The fields that put data on the form: visible texts, labels and barcodes that are not white.
bool printsData(const LayoutControl& c) {
    const bool field = c.kind == ControlKind::Text || c.kind == ControlKind::Label ||
                       c.kind == ControlKind::Barcode;
    return field && c.visible && (c.foreColor & 0xFFFFFF) != 0xFFFFFF;
}

// A name starts at its box's left edge and lies on its top or bottom edge, or a few of its
// lines off it where other names were in the way.
bool labels(const QRectF& name, const QRectF& box) {
    const qreal reach = 4 * name.height() + 1;
    const bool above = name.bottom() <= box.top() + 1 && name.bottom() >= box.top() - reach;
    const bool below = name.top() >= box.bottom() - 1 && name.top() <= box.bottom() + reach;
    return qAbs(name.left() - box.left()) <= 1 && (above || below);
}

// What is out of place on an alignment sheet whose band origin lies at `origin` (points): every
// printing field named at its box, and nothing else named.
QStringList misplaced(const QList<PdfWord>& words, const ReportLayout& layout, QPointF origin) {
    const auto wordAt = [&](const QString& text, auto&& where) {
        return std::any_of(words.begin(), words.end(),
                           [&](const PdfWord& w) { return w.text == text && where(w.box); });
    };
    QStringList wrong;
    for (const LayoutControl& c : layout.controls) {
        const QRectF box(origin + QPointF(c.left, c.top) / 20, QSizeF(c.width, c.height) / 20);
        if (!printsData(c)) {
            if (wordAt(c.name, [](const QRectF&) { return true; }))
                wrong << c.name + u" is named but prints nothing"_s;
            continue;
        }
        if (!wordAt(c.name, [&](const QRectF& name) { return labels(name, box); }))
            wrong << c.name + u" is not named at its box"_s;
    }
    return wrong;
}

} // namespace

Q_DECLARE_METATYPE(std::optional<qint32>)
Q_DECLARE_METATYPE(std::optional<PrinterMargins>)

// The slip on the test CUPS queues, the page setups and alignment sheet that place it there,
// and the preview window that shows and prints it.
class ReportPrintTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    // The printer-offset ini; empty: no file at all.
    void writeIni(const QByteArray& content) {
        const QString path =
            m_dir.filePath(content.isEmpty() ? u"absent.ini"_s : u"Nprinter.ini"_s);
        qputenv("KEMA_NPRINTER_INI", QFile::encodeName(path));
        if (content.isEmpty())
            return;
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

private slots:
    void initTestCase() { useDesktop(&qtDesktop()); }

    // One job per print: the pages are drawn once and CUPS makes the copies, collated; A4 is
    // asked for only when the slip's paper is A4; a page range prints only its pages.
    void copies_data() {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("copies");
        QTest::addColumn<int>("paperSize");
        QTest::addColumn<int>("page");           // a range of this one page; 0: all pages
        QTest::addColumn<QStringList>("sheets"); // the page number on each printed sheet
        QTest::addColumn<QString>("media");
        QTest::newRow("2 pages, 2 copies, collated")
            << 2 << 2 << 9 << 0 << QStringList{"1", "2", "1", "2"} << A4Media;
        QTest::newRow("3 pages, page 2 to 2") << 3 << 1 << 9 << 2 << QStringList{"2"} << A4Media;
        QTest::newRow("letter paper: the queue's own")
            << 1 << 1 << 1 << 0 << QStringList{"1"} << u"-"_s;
    }

    void copies() {
        KEMA_REQUIRE_CUPS();
        QFETCH(int, records);
        QFETCH(int, copies);
        QFETCH(int, paperSize);
        QFETCH(int, page);
        QFETCH(QStringList, sheets);
        QFETCH(QString, media);
        TestReport report(records);
        onTestQueue(report, copies);
        report.onStart = [&] {
            QVERIFY(StandardPageSetup(report).ok());
            report.page().paperSize = paperSize;
        };
        const int before = cupsJobMark();
        QVERIFY(report.run().ok());
        Printer& printer = *reportPrinter(report).value();
        if (page != 0) {
            qPrinter(printer).setPrintRange(QPrinter::PageRange);
            qPrinter(printer).setFromTo(page, page);
        }
        const kema::Status status =
            page == 0 ? printReport(report) : printPages(report, printer, copies);
        QVERIFY2(status.ok(), status.ok() ? "" : qPrintable(status.error().description));

        // The queue prints to its paper's edges, as the PDF file of the same slip does.
        QVERIFY(renderPdf(report, m_dir.filePath(u"slip.pdf"_s)).ok());
        const QList<QList<PdfWord>> pages = kema::test::pdfPages(m_dir.filePath(u"slip.pdf"_s));

        const QList<CupsJob> jobs =
            waitForCupsJobs(before, qEnvironmentVariable("KEMA_TEST_CUPS_QUEUE"), DocumentName);
        QCOMPARE(jobs.size(), 1);
        QCOMPARE(jobs[0].sheets, sheets.size());
        QCOMPARE(jobs[0].media, media);
        const QList<QList<PdfWord>> printed = landscapeSheets(cupsPdfOf(jobs[0].id));
        QCOMPARE(printed.size(), sheets.size());
        for (qsizetype i = 0; i < printed.size(); ++i)
            QVERIFY2(
                sameWords(printed[i], pages.value(sheets[i].toInt() - 1)),
                qPrintable(u"sheet %1 is not page %2 of the slip"_s.arg(i + 1).arg(sheets[i])));
    }

    // CUPS takes no job on any queue for a slip of no record, nor for a print that cannot be made,
    // which fails with the reason: below one copy nothing is sent; a queue that takes no jobs
    // answers with its refusal and why; a stopped queue would hold the job; a queue deleted after
    // the page setup, or a scheduler gone by then, is not replaced by another printer.
    void noJob_data() {
        QTest::addColumn<QString>("queue"); // kFaultQueue: one the row makes and removes
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("copies");
        QTest::addColumn<QStringList>("reason");
        const QString rejecting = qEnvironmentVariable("KEMA_TEST_CUPS_REJECTING_QUEUE");
        QTest::newRow("no record") << QString() << "no record" << 1 << QStringList();
        QTest::newRow("0 copies") << QString() << "" << 0 << QStringList{"copy count 0"};
        QTest::newRow("rejecting queue")
            << rejecting << "" << 1
            << QStringList{"\"" + rejecting + "\"", "not accepting jobs", "closed for the tests"};
        QTest::newRow("stopped queue")
            << kFaultQueue << "stopped" << 1
            << QStringList{"\"kema_fault\"", "is stopped", "paper jam at the counter"};
        QTest::newRow("queue deleted after the page setup")
            << kFaultQueue << "deleted" << 1
            << QStringList{"\"kema_fault\" is not a CUPS queue here"};
        QTest::newRow("scheduler gone after the page setup")
            << kFaultQueue << "scheduler gone" << 1 << QStringList{"no CUPS queue is available"};
    }

    void noJob() {
        KEMA_REQUIRE_CUPS();
        QFETCH(QString, queue);
        QFETCH(QString, fault);
        QFETCH(int, copies);
        QFETCH(QStringList, reason);
        const bool ownQueue = queue == kFaultQueue;
        if (ownQueue)
            QCOMPARE(
                lpadmin({"-p", queue, "-E", "-v", qEnvironmentVariable("KEMA_TEST_CUPS_DEVICE"),
                         "-P", qEnvironmentVariable("KEMA_TEST_CUPS_PPD")}),
                0);
        const auto cleanup = qScopeGuard([&] {
            if (ownQueue)
                lpadmin({"-x", queue});
        });
        if (fault == u"stopped")
            QCOMPARE(QProcess::execute("cupsdisable", {"-r", "paper jam at the counter", queue}),
                     0);

        TestReport report(fault == u"no record" ? 0 : 1);
        onTestQueue(report, copies, queue);
        const int mark = cupsJobMark();
        QVERIFY(report.run().ok());
        if (fault == u"deleted")
            QCOMPARE(lpadmin({"-x", queue}), 0);
        const QByteArray server = qgetenv("CUPS_SERVER");
        if (fault == u"scheduler gone") {
            qputenv("CUPS_SERVER", "/nonexistent/cups.sock");
            cupsSetServer(nullptr);
        }
        const kema::Status status = printReport(report);
        qputenv("CUPS_SERVER", server);
        cupsSetServer(nullptr);
        QCOMPARE(status.ok(), reason.isEmpty());
        for (const QString& part : reason)
            QVERIFY2(status.error().description.contains(part),
                     qPrintable(status.error().description));
        QCOMPARE(report.events, QStringList({"ReportStart", "ReportEnd"}));
        QCOMPARE(cupsJobMark(), mark + 1);
    }

    // Without any printer nothing is measured, and a print fails saying so.
    void noPrinterFails() {
        if (!qEnvironmentVariableIsSet("KEMA_TEST_NO_PRINTER"))
            QSKIP("tst_report_print_no_printer runs this without any printer");
        QVERIFY(QPrinterInfo::availablePrinterNames().isEmpty());
        TestReport report;
        QVERIFY(!MeasurePrinterMargins(QueueDevice(*reportPrinter(report).value())).has_value());
        report.setTarget(Target::Printer);
        report.onStart = [&] { QVERIFY(StandardPageSetup(report).ok()); };
        const kema::Status status = execute(report);
        QVERIFY(!status.ok());
        QVERIFY2(status.error().description.contains(u"no printer"_s),
                 qPrintable(status.error().description));
    }

    void pdfTargetUsesNoPrinter() {
        const QString file = m_dir.filePath(u"slip.pdf"_s);
        TestReport report(2);
        report.setTarget(Target::Pdf, file);
        report.setCopies(3);
        const int mark = haveCups() ? cupsJobMark() : 0;
        QVERIFY(execute(report).ok());
        QCOMPARE(kema::test::pdfPages(file).size(), qsizetype(2));
        if (haveCups())
            QCOMPARE(cupsJobMark(), mark + 1);
    }

    // Nothing when the product leaves 32 bits or is no number; measure rounds the halves.
    void pixelsToTwips_data() {
        QTest::addColumn<float>("factor");
        QTest::addColumn<qint32>("pixels");
        QTest::addColumn<std::optional<qint32>>("twips");
        using Twips = std::optional<qint32>;
        QTest::newRow("largest") << 1.0f << Max32 << Twips(Max32);
        QTest::newRow("overflow") << 2.0f << Max32 << Twips();
        QTest::newRow("negative overflow") << 2.0f << Min32 << Twips();
        QTest::newRow("infinite factor") << std::numeric_limits<float>::infinity() << 3 << Twips();
    }
    void pixelsToTwips() {
        QFETCH(float, factor);
        QFETCH(qint32, pixels);
        QFETCH(std::optional<qint32>, twips);
        QCOMPARE(kema::report::pixelsToTwips(factor, pixels), twips);
    }

    void measure_data() {
        QTest::addColumn<QList<qint64>>("device"); // present, width, height, pw, ph, ox, oy
        QTest::addColumn<std::optional<PrinterMargins>>("margins");
        using Margins = std::optional<PrinterMargins>;
        QTest::newRow("offsets 3 and 5 px at 1.5: halves to the even neighbour")
            << QList<qint64>{1, 100, 80, 90, 70, 3, 5} << Margins({4, 8, 11, 7});
        QTest::newRow("product overflows")
            << QList<qint64>{1, Max32, 80, 90, 70, 3, 5} << Margins();
        QTest::newRow("right overflows")
            << QList<qint64>{1, 1400000000, 80, -100000000, 70, 3, 5} << Margins();
        QTest::newRow("bottom overflows")
            << QList<qint64>{1, 100, -1400000000, 90, 100000000, 3, 5} << Margins();
    }
    void measure() {
        QFETCH(QList<qint64>, device);
        QFETCH(std::optional<PrinterMargins>, margins);
        QCOMPARE(MeasurePrinterMargins(FixedDevice(device, 1.5f)), margins);
    }

    // The standard setup: the measured left offset, 330 without a printer, top 1134, the queue
    // on A4 landscape. The variant: the pre-printed forms' offsets, else the designed top and the
    // measured left, the queue on its own paper turned landscape.
    void setup_data() {
        QTest::addColumn<bool>("variant");
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<bool>("printer");
        QTest::addColumn<float>("left"); // -1: the ini is refused
        QTest::addColumn<float>("top");
        const auto row = [](const char* name, bool variant, const QByteArray& ini, float left,
                            float top, bool printer = true) {
            QTest::newRow(name) << variant << ini << printer << left << top;
        };
        row("standard", false, {}, 89, 1134);
        row("standard, no printer", false, {}, 330, 1134, false);
        row("no file", true, {}, 89, 300); // the fixture layout's top margin
        row("TOP 500, LEFT 0", true, "[START_POS]\nTOP=500\nLEFT=0\n", 89, 500);
        row("empty values", true, "[start_pos]\nTOP=\nLEFT=\n", 89, 300);
        row("variant, no printer", true, "[START_POS]\nTOP=500\n", 330, 500, false);
        row("TOP not numeric", true, "[START_POS]\nTOP=abc\n", -1, 0);
        row("LEFT out of range", true, "[START_POS]\nLEFT=32768\n", -1, 0);
    }
    void setup() {
        QFETCH(bool, variant);
        QFETCH(QByteArray, ini);
        QFETCH(bool, printer);
        QFETCH(float, left);
        QFETCH(float, top);
        writeIni(ini);
        TestReport report;
        const int paper = variant ? report.page().paperSize : 9;
        Printer& queue = *reportPrinter(report).value();
        queue.setPageSize(QPageSize(QPageSize::Letter));
        queue.setPageOrientation(QPageLayout::Portrait);
        // A4 landscape with an unprintable strip of 37 px left and 20 px top.
        const FixedDevice device({printer, 7016, 4961, 6900, 4900, 37, 20});
        const kema::Status status =
            variant ? VariantPageSetup(report, device) : StandardPageSetup(report, device);
        QCOMPARE(status.ok(), left >= 0);
        if (!status) {
            QVERIFY2(status.error().description.contains(u"START_POS"_s),
                     qPrintable(status.error().description));
            return;
        }
        const PageValues& page = report.page();
        QCOMPARE(
            QList<float>({page.leftMargin, page.topMargin, page.rightMargin, page.bottomMargin}),
            QList<float>({left, top, 0, 0}));
        QCOMPARE(QPoint(page.paperSize, page.orientation), QPoint(paper, 2));
        QCOMPARE(queue.pageLayout().orientation(), QPageLayout::Landscape);
        QCOMPARE(queue.pageLayout().pageSize().id(), variant ? QPageSize::Letter : QPageSize::A4);
    }

    // The alignment sheet through the variant's page setup: its boxes where the variant prints
    // its fields, shifted by the margins in effect. A file has no printer offset and selects no
    // queue: the left in effect is LEFT, else 0.
    void alignmentSheet_data() {
        QTest::addColumn<QString>("variant");
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QPoint>("offset"); // LEFT and TOP as the ini gives them
        QTest::newRow("TKV418R4, no ini") << u"TKV418R4"_s << QByteArray() << QPoint();
        QTest::newRow("TKV418R5, TOP 500, LEFT 200, unknown Device")
            << u"TKV418R5"_s << QByteArray("[START_POS]\nTOP=500\nLEFT=200\nDevice=no_such_queue\n")
            << QPoint(200, 500);
    }
    void alignmentSheet() {
        if (kema::test::toolPath("pdftotext").isEmpty())
            QSKIP("pdftotext is not installed (scripts/install-deps)");
        QFETCH(QString, variant);
        QFETCH(QByteArray, ini);
        QFETCH(QPoint, offset);
        writeIni(ini);
        const auto layout = loadLayout(variant);
        QVERIFY(layout.ok());
        const QString pdf = m_dir.filePath(u"align.pdf"_s);
        const kema::Status produced = produceAlignmentSheet(variant, Target::Pdf, pdf);
        QVERIFY2(produced.ok(), produced.ok() ? "" : qPrintable(produced.error().description));
        const qreal top = offset.y() != 0 ? offset.y() : layout.value()->topMargin;
        const QList<PdfWord> words = kema::test::pdfWords(pdf);
        const QStringList wrong = misplaced(words, *layout.value(), QPointF(offset.x(), top) / 20);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u'\n')));
        QVERIFY(kema::test::runTool(kema::test::toolPath("pdftotext"), {pdf, u"-"_s})
                    .contains(u"no printer offset"_s));
    }

    // Printed, the sheet is one job on the queue Device names, moved by that queue's measured
    // left border, 18 pt; the printer's fonts lose the Japanese samples, so a name stands for all.
    void alignmentSheetOnTheDeviceQueue() {
        KEMA_REQUIRE_CUPS();
        const QString queue = qEnvironmentVariable("KEMA_TEST_CUPS_MARGIN_QUEUE");
        writeIni("[START_POS]\nDevice=" + queue.toLocal8Bit() + "\n");
        const auto layout = loadLayout(u"TKV418R4"_s);
        QVERIFY(layout.ok());
        const int mark = cupsJobMark();
        const kema::Status printed = produceAlignmentSheet(layout.value()->name, Target::Printer);
        QVERIFY2(printed.ok(), printed.ok() ? "" : qPrintable(printed.error().description));
        const QList<CupsJob> jobs =
            waitForCupsJobs(mark, queue, alignmentSheetTitle(layout.value()->name));
        QCOMPARE(jobs.size(), 1);
        QCOMPARE(cupsJobMark(), mark + 2);
        const QList<PdfWord> words = landscapeSheets(cupsPdfOf(jobs.first().id)).value(0);
        const LayoutControl& field = *std::find_if(layout.value()->controls.begin(),
                                                   layout.value()->controls.end(), printsData);
        QVERIFY(std::any_of(words.begin(), words.end(), [&](const PdfWord& w) {
            return w.text == field.name && qAbs(w.box.left() - (360 + field.left) / 20.0) <= 1;
        }));
        QVERIFY(std::any_of(words.begin(), words.end(),
                            [&](const PdfWord& w) { return w.text == queue; }));
    }

    // The window as the slips set it up. The designed origin lands at (left margin, top
    // margin) of the sheet on the screen too: the fixture's black frame at (1440, 1440) twips
    // shows 1 inch + margins from the corner.
    void pageIsDrawnAtItsPlace() {
        auto report = ranReport();
        QVERIFY(report);
        ReportPreview model(*report);
        PreviewDialog dialog(model);
        QCOMPARE(dialog.windowTitle(), u"来店伝票"_s);
        QCOMPARE(dialog.size(), QSize(1024, 740));
        QCOMPARE(dialog.pageCount(), 1);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QImage page = dialog.renderedPage();
        const double pixelsPerTwip = page.width() / (297.0 / 25.4 * 1440.0);
        const auto at = [&](double x, double y) {
            return page.pixelColor(qRound(x * pixelsPerTwip), qRound(y * pixelsPerTwip));
        };
        const double left = report->page().leftMargin;
        const double top = report->page().topMargin;
        QCOMPARE(at(left + 1440 + 720, top + 1440 + 360), QColor(Qt::black));
        QCOMPARE(at(left + 1440 - 200, top + 1440 + 360), QColor(Qt::white));
        QCOMPARE(at(left + 1440 + 720, top + 1440 + 720 + 200), QColor(Qt::white));
    }

    // The report closes the window from a key or its added tool; Escape closes it by itself; an
    // event's error ends it with that error.
    void closing_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("tool");
        QTest::addColumn<Keys>("keys");
        QTest::addColumn<QString>("error");
        QTest::newRow("F12") << int(Qt::Key_F12) << QString() << Keys{{123, 0}} << QString();
        QTest::newRow("tool") << 0 << CloseTool << Keys{} << QString();
        QTest::newRow("Escape") << int(Qt::Key_Escape) << QString() << Keys{{27, 0}} << QString();
        QTest::newRow("failing tool") << 0 << CloseTool << Keys{} << u"click failed"_s;
    }
    void closing() {
        QFETCH(int, key);
        QFETCH(QString, tool);
        QFETCH(Keys, keys);
        QFETCH(QString, error);
        auto report = ranReport();
        QVERIFY(report);
        report->onKeyDown = [&](int code, int) {
            if (code == 123)
                report->viewer().closed = true;
        };
        report->onToolbarClick = [&](const QString& clicked) {
            if (!error.isEmpty())
                throw kema::Failure(kema::Error{9, u"TestReport"_s, error});
            if (clicked == CloseTool)
                report->viewer().closed = true;
        };
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<PreviewDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            if (key)
                QTest::keyClick(dialog, Qt::Key(key));
            else
                QTest::mouseClick(
                    dialog->findChild<QToolBar*>()->widgetForAction(dialog->tool(tool)),
                    Qt::LeftButton);
        });
        ModalWatch guard;
        const kema::Status status = showPreview(*report);
        QCOMPARE(status.ok() ? QString() : status.error().description, error);
        QVERIFY(!guard.seen);
        QCOMPARE(report->keys, keys);
        QCOMPARE(report->clicks, tool.isEmpty() ? QStringList() : QStringList{tool});
    }

    // The print tool, by click or Ctrl+P: the dialog, then the job result, then the event. The
    // user picks "print to file" in the dialog, so the print is real but needs no queue; a file
    // that cannot be written gives 0 and a message.
    void printTool_data() {
        QTest::addColumn<bool>("byKey");
        QTest::addColumn<QString>("file"); // empty: the dialog is cancelled
        QTest::addColumn<int>("jobResult");
        QTest::newRow("click, printed") << false << "printed.pdf" << 1;
        QTest::newRow("Ctrl+P, cancelled") << true << "" << 0;
        QTest::newRow("click, failing") << false << "/nonexistent/dir/out.pdf" << 0;
    }
    void printTool() {
        QFETCH(bool, byKey);
        QFETCH(QString, file);
        QFETCH(int, jobResult);
        auto report = ranReport(2);
        QVERIFY(report);
        report->setCopies(2);
        report->viewer().jobResult = -7;
        const bool failing = file.startsWith(u'/');
        const QString path = failing || file.isEmpty() ? file : m_dir.filePath(file);
        int dialogCopies = 0;
        qint32 resultInEvent = -7;
        report->onToolbarClick = [&](const QString& tool) {
            if (tool == PreviewDialog::PrintTool)
                resultInEvent = report->viewer().jobResult;
        };
        PreviewOptions options;
        options.printDialog = [&](Printer& chosen, QWidget*) {
            QPrinter& printer = qPrinter(chosen);
            dialogCopies = printer.copyCount();
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(path);
            printer.setCopyCount(1);
            return !file.isEmpty();
        };
        QStringList messages;
        options.showMessage = [&](const QString& text, QWidget*) { messages << text; };
        ReportPreview model(*report, options);
        PreviewDialog dialog(model);
        dialog.show();
        if (byKey)
            QTest::keyClick(&dialog, Qt::Key_P, Qt::ControlModifier);
        else
            dialog.tool(PreviewDialog::PrintTool)->trigger();
        QCOMPARE(dialogCopies, 2);
        QCOMPARE(report->viewer().jobResult, jobResult);
        QCOMPARE(resultInEvent, jobResult);
        QCOMPARE(report->clicks, QStringList{PreviewDialog::PrintTool});
        QCOMPARE(report->keys, (byKey ? Keys{{0x11, 2}, {0x50, 2}} : Keys{}));
        QCOMPARE(messages.size(), failing ? 1 : 0);
        if (jobResult == 1)
            QCOMPARE(kema::test::pdfPages(path).size(), qsizetype(2));
    }

    // Keys move through the pages and zoom, each raising its tool's click; the whole-page and
    // fit-width tools fit the window.
    void navigationAndZoom() {
        auto report = ranReport(3);
        QVERIFY(report);
        ReportPreview model(*report);
        PreviewDialog dialog(model);
        dialog.show();
        const QList<QPair<Qt::Key, int>> steps{{Qt::Key_PageDown, 1},
                                               {Qt::Key_End, 2},
                                               {Qt::Key_PageDown, 2},
                                               {Qt::Key_Home, 0},
                                               {Qt::Key_PageUp, 0}};
        for (const auto& [key, page] : steps) {
            QTest::keyClick(&dialog, key);
            QCOMPARE(dialog.currentPage(), page);
        }
        const double zoom = dialog.zoom();
        QTest::keyClick(&dialog, Qt::Key_Plus, Qt::ControlModifier);
        QVERIFY(dialog.zoom() > zoom);
        QTest::keyClick(&dialog, Qt::Key_Minus, Qt::ControlModifier);
        QTest::keyClick(&dialog, Qt::Key_Minus, Qt::ControlModifier);
        QVERIFY(dialog.zoom() < zoom);
        QTest::keyClick(&dialog, Qt::Key_C, Qt::AltModifier);
        QCOMPARE(report->clicks,
                 (QStringList{PreviewDialog::NextPageTool, PreviewDialog::LastPageTool,
                              PreviewDialog::NextPageTool, PreviewDialog::FirstPageTool,
                              PreviewDialog::PreviousPageTool, PreviewDialog::ZoomInTool,
                              PreviewDialog::ZoomOutTool, PreviewDialog::ZoomOutTool, CloseTool}));
        dialog.tool(PreviewDialog::WholePageTool)->trigger();
        const double whole = dialog.zoom();
        dialog.tool(PreviewDialog::FitWidthTool)->trigger();
        QVERIFY(dialog.zoom() > whole);
        QVERIFY(dialog.renderedPage().width() <= 1024);
    }

    // The slips close their window in the end event after a start error: it never shows.
    void executeShowsThePreviewUnlessClosed_data() {
        QTest::addColumn<bool>("closeInEnd");
        QTest::newRow("shown") << false;
        QTest::newRow("closed by the end event") << true;
    }
    void executeShowsThePreviewUnlessClosed() {
        QFETCH(bool, closeInEnd);
        TestReport report;
        report.setTarget(Target::Preview);
        if (closeInEnd)
            report.onEnd = [&] { report.viewer().closed = true; };
        ModalWatch guard;
        QVERIFY(execute(report).ok());
        QCOMPARE(report.events, QStringList({"ReportStart", "ReportEnd"}));
        QCOMPARE(guard.seen, !closeInEnd);
    }
};

QTEST_MAIN(ReportPrintTest)
#include "tst_report_print.moc"
