#include "../report_print/Cups.h"
#include "../report_print/TestReport.h"
#include "PdfText.h"
#include "report/Layout.h"
#include "report/Viewer.h"
#include "report/print/AlignmentSheet.h"
#include "report/print/PageSetup.h"

#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <limits>

using namespace kema::report;
using namespace Qt::StringLiterals;

namespace {

constexpr qint32 Max32 = std::numeric_limits<qint32>::max();
constexpr qint32 Min32 = std::numeric_limits<qint32>::min();

// A printer with fixed device values: present, width, height, printable width and height,
// offsets; by default an A4 landscape sheet at 600 dpi with an unprintable strip of 37 px left
// and 20 px top.
class FixedDevice final : public PrinterDevice {
public:
    explicit FixedDevice(QList<qint64> values = {1, 7016, 4961, 6900, 4900, 37, 20},
                         float factor = 1440.0f / 600.0f)
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

using kema::test::PdfWord;

// The fields that put data on the form: visible texts, labels and barcodes that are not white.
bool printsData(const LayoutControl& c) {
    const bool field = c.kind == ControlKind::Text || c.kind == ControlKind::Label ||
                       c.kind == ControlKind::Barcode;
    return field && c.visible && (c.foreColor & 0xFFFFFF) != 0xFFFFFF;
}

// Within a point, as the paint test places a text in its box: at its aligned edge (or centre)
// and from its top.
bool sitsIn(const QRectF& ink, const QRectF& box, Align align) {
    const qreal along = align == Align::Left    ? ink.left() - box.left()
                        : align == Align::Right ? ink.right() - box.right()
                                                : ink.center().x() - box.center().x();
    return qAbs(along) <= 1 && qAbs(ink.top() - box.top()) <= 1;
}

// How a sheet is read back: from a file, to a point both ways, its samples too; from a printer,
// whose conversion of the fonts changes their ascent and descent (and loses the text of the
// Japanese faces), its names to a point along the line and 3 points across it.
struct Reading {
    qreal across;
    bool samples;
};
constexpr Reading FromFile{1, true};
constexpr Reading FromPrinter{3, false};

// A name starts at its box's left edge and lies on its top or bottom edge, or a few of its
// lines off it where other names were in the way.
bool labels(const QRectF& name, const QRectF& box, qreal across) {
    const qreal reach = 4 * name.height() + across;
    const bool above = name.bottom() <= box.top() + across && name.bottom() >= box.top() - reach;
    const bool below = name.top() >= box.bottom() - across && name.top() <= box.bottom() + reach;
    return qAbs(name.left() - box.left()) <= 1 && (above || below);
}

// What is out of place on an alignment sheet whose band origin lies at `origin` (points): every
// printing field named at its box with its one-word sample in it, and nothing else named.
QStringList misplaced(const QList<PdfWord>& words, const ReportLayout& layout, QPointF origin,
                      Reading reading) {
    const auto wordAt = [&](const QString& text, auto&& where) {
        return std::any_of(words.begin(), words.end(),
                           [&](const PdfWord& w) { return w.text == text && where(w.box); });
    };
    QStringList wrong;
    for (const LayoutControl& c : layout.controls) {
        const QRectF box(origin + QPointF(c.left, c.top) / 20, QSizeF(c.width, c.height) / 20);
        const auto anywhere = [](const QRectF&) { return true; };
        if (!printsData(c)) {
            if (wordAt(c.name, anywhere))
                wrong << c.name + QStringLiteral(" is named but prints nothing");
            continue;
        }
        if (!wordAt(c.name, [&](const QRectF& name) { return labels(name, box, reading.across); }))
            wrong << c.name + QStringLiteral(" is not named at its box");
        const bool oneWord =
            !c.text.isEmpty() &&
            std::none_of(c.text.begin(), c.text.end(), [](QChar ch) { return ch.isSpace(); });
        // pdftotext joins a sample with a neighbour it touches; that word must cover its box.
        const auto joined = [&](const PdfWord& w) {
            return w.text != c.text && w.text.contains(c.text) && w.box.intersects(box);
        };
        if (reading.samples && c.kind != ControlKind::Barcode && oneWord &&
            !wordAt(c.text, [&](const QRectF& ink) { return sitsIn(ink, box, c.align); }) &&
            std::none_of(words.begin(), words.end(), joined))
            wrong << c.name + QStringLiteral("'s sample \"") + c.text +
                         QStringLiteral("\" is not in its box");
    }
    return wrong;
}

} // namespace

Q_DECLARE_METATYPE(std::optional<qint32>)
Q_DECLARE_METATYPE(std::optional<PrinterMargins>)
Q_DECLARE_METATYPE(PrinterMargins)

class TestPageSetup : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    void writeIni(const QByteArray& content) {
        const QString path = m_dir.filePath(u"Nprinter.ini"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        qputenv("KEMA_NPRINTER_INI", QFile::encodeName(path));
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // Halves to the even neighbour; nothing when the product leaves 32 bits or is no number.
    void pixelsToTwips_data() {
        QTest::addColumn<float>("factor");
        QTest::addColumn<qint32>("pixels");
        QTest::addColumn<std::optional<qint32>>("twips");
        using Twips = std::optional<qint32>;
        QTest::newRow("1.5 x 3 = 4.5 -> 4") << 1.5f << 3 << Twips(4);
        QTest::newRow("1.5 x 5 = 7.5 -> 8") << 1.5f << 5 << Twips(8);
        QTest::newRow("1.5 x -3 = -4.5 -> -4") << 1.5f << -3 << Twips(-4);
        QTest::newRow("2.4 x 37 -> 89") << 1440.0f / 600.0f << 37 << Twips(89);
        QTest::newRow("1.2 x 14033 (1200 dpi)") << 1440.0f / 1200.0f << 14033 << Twips(16840);
        QTest::newRow("largest") << 1.0f << Max32 << Twips(Max32);
        QTest::newRow("smallest") << 1.0f << Min32 << Twips(Min32);
        QTest::newRow("overflow") << 2.0f << Max32 << Twips();
        QTest::newRow("negative overflow") << 2.0f << Min32 << Twips();
        QTest::newRow("infinite factor") << std::numeric_limits<float>::infinity() << 3 << Twips();
        QTest::newRow("NaN factor") << std::numeric_limits<float>::quiet_NaN() << 3 << Twips();
        QTest::newRow("huge factor") << 1e30f << 1 << Twips();
    }
    void pixelsToTwips() {
        QFETCH(float, factor);
        QFETCH(qint32, pixels);
        QFETCH(std::optional<qint32>, twips);
        QCOMPARE(kema::report::pixelsToTwips(factor, pixels), twips);
    }

    void measure_data() {
        QTest::addColumn<QList<qint64>>("device"); // present, width, height, pw, ph, ox, oy
        QTest::addColumn<float>("factor");
        QTest::addColumn<std::optional<PrinterMargins>>("margins");
        using Margins = std::optional<PrinterMargins>;
        QTest::newRow("offsets 3 and 5 px at 1.5")
            << QList<qint64>{1, 100, 80, 90, 70, 3, 5} << 1.5f << Margins({4, 8, 11, 7});
        QTest::newRow("no border") << QList<qint64>{1, 14033, 9917, 14033, 9917, 0, 0}
                                   << 1440.0f / 1200.0f << Margins({0, 0, 0, 0});
        QTest::newRow("37 px at 600 dpi") << QList<qint64>{1, 7016, 4961, 6900, 4900, 37, 20}
                                          << 1440.0f / 600.0f << Margins({89, 48, 189, 98});
        QTest::newRow("no printer") << QList<qint64>{0, 100, 80, 90, 70, 3, 5} << 1.5f << Margins();
        QTest::newRow("dpi 0") << QList<qint64>{1, 100, 80, 90, 70, 3, 5}
                               << std::numeric_limits<float>::infinity() << Margins();
        QTest::newRow("product overflows")
            << QList<qint64>{1, Max32, 80, 90, 70, 3, 5} << 1.5f << Margins();
        QTest::newRow("subtraction overflows")
            << QList<qint64>{1, Max32, 80, -10, 70, 3, 5} << 1.0f << Margins();
        QTest::newRow("negative subtraction overflows")
            << QList<qint64>{1, 100, Min32, 90, 70, 3, 5} << 1.0f << Margins();
    }
    void measure() {
        QFETCH(QList<qint64>, device);
        QFETCH(float, factor);
        QFETCH(std::optional<PrinterMargins>, margins);
        const auto measured = MeasurePrinterMargins(FixedDevice(device, factor));
        QCOMPARE(measured.has_value(), margins.has_value());
        if (margins)
            QCOMPARE(*measured, *margins);
    }

    // The measured left offset, 330 without a printer; the top margin is always 1134.
    void standard_data() {
        QTest::addColumn<QList<qint64>>("device");
        QTest::addColumn<float>("left");
        QTest::newRow("measured left offset")
            << QList<qint64>{1, 7016, 4961, 6900, 4900, 37, 20} << 89.0f;
        QTest::newRow("no offsets") << QList<qint64>{1, 7016, 4961, 6900, 4900, 0, 0} << 0.0f;
        QTest::newRow("no printer falls back to 330")
            << QList<qint64>{0, 7016, 4961, 6900, 4900, 37, 20} << 330.0f;
    }
    void standard() {
        QFETCH(QList<qint64>, device);
        QFETCH(float, left);
        TestReport report;
        QVERIFY(StandardPageSetup(report, FixedDevice(device)).ok());
        const PageValues& page = report.page();
        QCOMPARE(
            QList<float>({page.leftMargin, page.topMargin, page.rightMargin, page.bottomMargin}),
            QList<float>({left, 1134, 0, 0}));
        QCOMPARE(QPoint(page.paperSize, page.orientation), QPoint(9, 2));
        QCOMPARE(report.viewer().printer().pageLayout().orientation(), QPageLayout::Landscape);
        QCOMPARE(report.viewer().printer().pageLayout().pageSize().id(), QPageSize::A4);
    }

    void fileTargetHasNoBorder() {
        TestReport report;
        report.setTarget(Target::Pdf, m_dir.filePath(u"x.pdf"_s));
        QVERIFY(StandardPageSetup(report).ok());
        QCOMPARE(report.page().leftMargin, 0.0f);
        QCOMPARE(report.page().topMargin, 1134.0f);
        writeIni("[START_POS]\nDevice=no_such_queue\n");
        QVERIFY(VariantPageSetup(report).ok());
        QCOMPARE(report.page().leftMargin, 0.0f);
    }

    // The offsets of the pre-printed forms; the designed top and the measured left otherwise.
    void variantIni_data() {
        QTest::addColumn<QByteArray>("ini"); // empty: no file at all
        QTest::addColumn<bool>("printer");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<float>("top");
        QTest::addColumn<float>("left");
        const float designedTop = 300; // the fixture layout's top margin
        const float measured = 89;
        const auto row = [](const char* name, const QByteArray& ini, bool ok, float top, float left,
                            bool printer = true) {
            QTest::newRow(name) << ini << printer << ok << top << left;
        };
        row("no file", {}, true, designedTop, measured);
        row("TOP 500, LEFT 0", "[START_POS]\nTOP=500\nLEFT=0\n", true, 500, measured);
        row("LEFT 200", "[START_POS]\nLEFT=200\n", true, designedTop, 200);
        row("both", "[START_POS]\nTOP=-40\nLEFT=150\n", true, -40, 150);
        row("half to even", "[START_POS]\nTOP=12.5\nLEFT=13.5\n", true, 12, 14);
        row("empty values", "[start_pos]\nTOP=\nLEFT=\n", true, designedTop, measured);
        row("16-bit limits", "[START_POS]\nTOP=32767\nLEFT=-32768\n", true, 32767, -32768);
        row("no printer", "[START_POS]\nTOP=500\n", true, 500, 330, false);
        row("TOP not numeric", "[START_POS]\nTOP=abc\n", false, 0, 0);
        row("LEFT out of range", "[START_POS]\nLEFT=32768\n", false, 0, 0);
        row("TOP below range", "[START_POS]\nTOP=-32769\n", false, 0, 0);
    }
    void variantIni() {
        QFETCH(QByteArray, ini);
        QFETCH(bool, printer);
        QFETCH(bool, ok);
        QFETCH(float, top);
        QFETCH(float, left);
        if (ini.isEmpty())
            qputenv("KEMA_NPRINTER_INI", QFile::encodeName(m_dir.filePath(u"absent.ini"_s)));
        else
            writeIni(ini);
        TestReport report;
        const int paperBefore = report.page().paperSize;
        const kema::Status status =
            VariantPageSetup(report, FixedDevice({printer, 7016, 4961, 6900, 4900, 37, 20}));
        QCOMPARE(status.ok(), ok);
        if (!ok) {
            QVERIFY2(status.error().description.contains(u"START_POS"_s),
                     qPrintable(status.error().description));
            return;
        }
        const PageValues& page = report.page();
        QCOMPARE(
            QList<float>({page.leftMargin, page.topMargin, page.rightMargin, page.bottomMargin}),
            QList<float>({left, top, 0, 0}));
        QCOMPARE(QPoint(page.paperSize, page.orientation), QPoint(paperBefore, 2));
        QCOMPARE(report.viewer().printer().pageLayout().orientation(), QPageLayout::Landscape);
    }

    void unknownDeviceIsAnError() {
        writeIni("[START_POS]\nDevice=no_such_queue\n");
        TestReport report;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"no_such_queue"_s));
        const kema::Status status = VariantPageSetup(report, FixedDevice());
        QVERIFY(!status.ok());
        QVERIFY(status.error().description.contains(u"\"no_such_queue\""_s));
    }

    // The unprintable border the real queues report, from their PPDs' ImageableArea: none on
    // the plain queue; 18 pt left and right, 30 pt top, 24 pt bottom on the margin queue.
    void realQueueOffsets_data() {
        QTest::addColumn<QString>("queueVariable");
        QTest::addColumn<PrinterMargins>("margins");
        QTest::newRow("full page") << u"KEMA_TEST_CUPS_QUEUE"_s << PrinterMargins{0, 0, 0, 0};
        QTest::newRow("with border") << u"KEMA_TEST_CUPS_MARGIN_QUEUE"_s
                                     << PrinterMargins{18 * 20, 30 * 20, 18 * 20, 24 * 20};
    }
    void realQueueOffsets() {
        KEMA_REQUIRE_CUPS();
        QFETCH(QString, queueVariable);
        QFETCH(PrinterMargins, margins);
        TestReport report;
        QVERIFY(
            selectQueue(report.viewer().printer(), qEnvironmentVariable(qPrintable(queueVariable)))
                .ok());
        QVERIFY(StandardPageSetup(report).ok());
        const auto measured = MeasurePrinterMargins(QPrinterDevice(report.viewer().printer()));
        QVERIFY(measured.has_value());
        QCOMPARE(*measured, margins);
        QCOMPARE(report.page().leftMargin, float(margins.left));
    }

    // The variant measures the queue Device names, not the one selected before.
    void variantMeasuresTheDeviceQueue() {
        KEMA_REQUIRE_CUPS();
        writeIni("[START_POS]\nDevice=" + qgetenv("KEMA_TEST_CUPS_MARGIN_QUEUE") + "\n");
        TestReport report;
        QVERIFY(selectQueue(report.viewer().printer(), qEnvironmentVariable("KEMA_TEST_CUPS_QUEUE"))
                    .ok());
        QVERIFY(VariantPageSetup(report).ok());
        QCOMPARE(report.viewer().printer().printerName(),
                 qEnvironmentVariable("KEMA_TEST_CUPS_MARGIN_QUEUE"));
        QCOMPARE(report.page().leftMargin, 360.0f);
        QCOMPARE(report.page().topMargin, 300.0f);
    }

    void noPrinterMeasuresNothing() {
        if (!QPrinterInfo::availablePrinterNames().isEmpty()) {
            if (qEnvironmentVariableIsSet("KEMA_TEST_NO_PRINTER"))
                QFAIL("this run should see no printer");
            QSKIP("printers are installed; tst_page_setup_no_printer runs this without any");
        }
        TestReport report;
        QVERIFY(!MeasurePrinterMargins(QPrinterDevice(report.viewer().printer())).has_value());
        QVERIFY(StandardPageSetup(report).ok());
        QCOMPARE(report.page().leftMargin, 330.0f);
    }
    // The alignment sheet through the variant's page setup: its boxes where the variant prints
    // its fields, shifted by the margins in effect. A file shows no printer offset: the left in
    // effect is LEFT, else 0.
    void alignmentSheet_data() {
        QTest::addColumn<QString>("variant");
        QTest::addColumn<QByteArray>("ini"); // empty: no file at all
        QTest::addColumn<qint32>("top");     // TOP and LEFT as the ini gives them
        QTest::addColumn<qint32>("left");
        for (const char* variant : {"TKV418R4", "TKV418R5"}) {
            QTest::addRow("%s, no ini", variant)
                << QString::fromLatin1(variant) << QByteArray() << 0 << 0;
            QTest::addRow("%s, TOP 500, LEFT 200", variant)
                << QString::fromLatin1(variant) << QByteArray("[START_POS]\nTOP=500\nLEFT=200\n")
                << 500 << 200;
        }
    }

    void alignmentSheet() {
        if (kema::test::toolPath("pdftotext").isEmpty())
            QSKIP("pdftotext is not installed (scripts/install-deps)");
        QFETCH(QString, variant);
        QFETCH(QByteArray, ini);
        QFETCH(qint32, top);
        QFETCH(qint32, left);
        if (ini.isEmpty())
            qputenv("KEMA_NPRINTER_INI",
                    m_dir.filePath(QStringLiteral("absent.ini")).toLocal8Bit());
        else
            writeIni(ini);
        const auto layout = loadLayout(variant);
        QVERIFY(layout.ok());
        const QString pdf = m_dir.filePath(QStringLiteral("align.pdf"));
        const kema::Status produced = produceAlignmentSheet(variant, Target::Pdf, pdf);
        QVERIFY2(produced.ok(), produced.ok() ? "" : qPrintable(produced.error().description));
        const QPointF origin = QPointF(left, top != 0 ? top : layout.value()->topMargin) / 20;
        const QStringList wrong =
            misplaced(kema::test::pdfWords(pdf), *layout.value(), origin, FromFile);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u'\n')));
        const QString text =
            kema::test::runTool(kema::test::toolPath("pdftotext"), {pdf, QStringLiteral("-")});
        QVERIFY2(text.contains(QLatin1String("no printer offset")), qPrintable(text));
    }

    // Printed, the sheet is one job on the queue Device names, its fields at that queue's
    // measured left offset.
    void alignmentSheetOnTheDeviceQueue() {
        KEMA_REQUIRE_CUPS();
        const QString queue = qEnvironmentVariable("KEMA_TEST_CUPS_MARGIN_QUEUE");
        writeIni("[START_POS]\nDevice=" + queue.toLocal8Bit() + "\n");
        QPrinter printer;
        QVERIFY(selectQueue(printer, queue).ok());
        const auto measured = MeasurePrinterMargins(QPrinterDevice(printer));
        QVERIFY(measured.has_value());
        const auto layout = loadLayout(QStringLiteral("TKV418R4"));
        QVERIFY(layout.ok());

        const int mark = cupsJobMark();
        QVERIFY(mark > 0);
        const kema::Status printed = produceAlignmentSheet(layout.value()->name, Target::Printer);
        QVERIFY2(printed.ok(), printed.ok() ? "" : qPrintable(printed.error().description));
        const QList<CupsJob> jobs =
            waitForCupsJobs(mark, queue, alignmentSheetTitle(layout.value()->name));
        QCOMPARE(jobs.size(), 1);
        QCOMPARE(cupsJobMark(), mark + 2);
        const QString pdf = cupsPdfOf(jobs.first().id);
        QVERIFY2(!pdf.isEmpty(), "cups-pdf wrote no file for the job");
        const QList<PdfWord> words = landscapeSheets(pdf).value(0);
        const QPointF origin = QPointF(measured->left, layout.value()->topMargin) / 20;
        const QStringList wrong = misplaced(words, *layout.value(), origin, FromPrinter);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u'\n')));
        QVERIFY(std::any_of(words.begin(), words.end(),
                            [&](const PdfWord& w) { return w.text == queue; }));
    }
};

QTEST_MAIN(TestPageSetup)
#include "tst_page_setup.moc"
