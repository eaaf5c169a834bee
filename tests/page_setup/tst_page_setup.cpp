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

namespace {

// A printer with fixed device values.
class FixedDevice final : public PrinterDevice {
public:
    bool present = true;
    float factorX = 1.5f;
    float factorY = 1.5f;
    qint32 physicalWidth = 0;
    qint32 physicalHeight = 0;
    qint32 printableWidth = 0;
    qint32 printableHeight = 0;
    qint32 offsetX = 0;
    qint32 offsetY = 0;

    bool available() const override { return present; }
    float twipsPerPixelX() const override { return factorX; }
    float twipsPerPixelY() const override { return factorY; }
    qint32 deviceCaps(int index) const override {
        switch (index) {
        case PhysicalWidth:
            return physicalWidth;
        case PhysicalHeight:
            return physicalHeight;
        case HorzRes:
            return printableWidth;
        case VertRes:
            return printableHeight;
        case PhysicalOffsetX:
            return offsetX;
        case PhysicalOffsetY:
            return offsetY;
        default:
            return 0;
        }
    }
};

// An A4 landscape sheet at 600 dpi with an unprintable strip of 37 px left and 20 px top.
FixedDevice sheetWithBorder() {
    FixedDevice device;
    device.factorX = device.factorY = 1440.0f / 600.0f;
    device.physicalWidth = 7016;
    device.physicalHeight = 4961;
    device.printableWidth = 6900;
    device.printableHeight = 4900;
    device.offsetX = 37;
    device.offsetY = 20;
    return device;
}

constexpr qint32 Max32 = std::numeric_limits<qint32>::max();
constexpr qint32 Min32 = std::numeric_limits<qint32>::min();

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

// The sheets the test queues print, turned back: they put a landscape page onto portrait A4,
// its top-left corner at the bottom-left.
QList<PdfWord> landscapeWords(const QString& pdf) {
    constexpr qreal PortraitHeight = 842; // points
    QList<PdfWord> words = kema::test::pdfWords(pdf);
    for (PdfWord& word : words)
        word.box = QRectF(QPointF(PortraitHeight - word.box.bottom(), word.box.left()),
                          QPointF(PortraitHeight - word.box.top(), word.box.right()));
    return words;
}

} // namespace

Q_DECLARE_METATYPE(std::optional<qint32>)
Q_DECLARE_METATYPE(std::optional<PrinterMargins>)
Q_DECLARE_METATYPE(PrinterMargins)

class PageSetupTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    void writeIni(const QByteArray& content) {
        const QString path = m_dir.filePath(QStringLiteral("Nprinter.ini"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.close();
        qputenv("KEMA_NPRINTER_INI", path.toLocal8Bit());
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void pixelsToTwips_data() {
        QTest::addColumn<float>("factor");
        QTest::addColumn<qint32>("pixels");
        QTest::addColumn<std::optional<qint32>>("twips");
        QTest::newRow("1.5 x 3 = 4.5 -> 4") << 1.5f << 3 << std::optional<qint32>(4);
        QTest::newRow("1.5 x 5 = 7.5 -> 8") << 1.5f << 5 << std::optional<qint32>(8);
        QTest::newRow("2.4 x 37 -> 89") << 1440.0f / 600.0f << 37 << std::optional<qint32>(89);
        QTest::newRow("1.5 x 1 = 1.5 -> 2") << 1.5f << 1 << std::optional<qint32>(2);
        QTest::newRow("1.5 x 7 = 10.5 -> 10") << 1.5f << 7 << std::optional<qint32>(10);
        QTest::newRow("1.5 x -3 = -4.5 -> -4") << 1.5f << -3 << std::optional<qint32>(-4);
        QTest::newRow("1.2 x 14033 (1200 dpi)")
            << 1440.0f / 1200.0f << 14033 << std::optional<qint32>(16840);
        QTest::newRow("zero") << 1.5f << 0 << std::optional<qint32>(0);
        QTest::newRow("largest") << 1.0f << Max32 << std::optional<qint32>(Max32);
        QTest::newRow("smallest") << 1.0f << Min32 << std::optional<qint32>(Min32);
        QTest::newRow("overflow") << 2.0f << Max32 << std::optional<qint32>();
        QTest::newRow("negative overflow") << 2.0f << Min32 << std::optional<qint32>();
        QTest::newRow("infinite factor")
            << std::numeric_limits<float>::infinity() << 3 << std::optional<qint32>();
        QTest::newRow("NaN factor")
            << std::numeric_limits<float>::quiet_NaN() << 3 << std::optional<qint32>();
        QTest::newRow("huge factor") << 1e30f << 1 << std::optional<qint32>();
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
        const auto some = [](qint32 l, qint32 t, qint32 r, qint32 b) {
            return std::optional<PrinterMargins>(PrinterMargins{l, t, r, b});
        };
        QTest::newRow("offsets 3 and 5 px at 1.5")
            << QList<qint64>{1, 100, 80, 90, 70, 3, 5} << 1.5f << some(4, 8, 11, 7);
        QTest::newRow("no border") << QList<qint64>{1, 14033, 9917, 14033, 9917, 0, 0}
                                   << 1440.0f / 1200.0f << some(0, 0, 0, 0);
        QTest::newRow("37 px at 600 dpi") << QList<qint64>{1, 7016, 4961, 6900, 4900, 37, 20}
                                          << 1440.0f / 600.0f << some(89, 48, 189, 98);
        QTest::newRow("no printer")
            << QList<qint64>{0, 100, 80, 90, 70, 3, 5} << 1.5f << std::optional<PrinterMargins>();
        QTest::newRow("dpi 0") << QList<qint64>{1, 100, 80, 90, 70, 3, 5}
                               << std::numeric_limits<float>::infinity()
                               << std::optional<PrinterMargins>();
        QTest::newRow("product overflows")
            << QList<qint64>{1, Max32, 80, 90, 70, 3, 5} << 1.5f << std::optional<PrinterMargins>();
        QTest::newRow("subtraction overflows") << QList<qint64>{1, Max32, 80, -10, 70, 3, 5} << 1.0f
                                               << std::optional<PrinterMargins>();
        QTest::newRow("negative subtraction overflows")
            << QList<qint64>{1, 100, Min32, 90, 70, 3, 5} << 1.0f
            << std::optional<PrinterMargins>();
    }

    void measure() {
        QFETCH(QList<qint64>, device);
        QFETCH(float, factor);
        QFETCH(std::optional<PrinterMargins>, margins);
        FixedDevice fixed;
        fixed.present = device[0] != 0;
        fixed.factorX = fixed.factorY = factor;
        fixed.physicalWidth = qint32(device[1]);
        fixed.physicalHeight = qint32(device[2]);
        fixed.printableWidth = qint32(device[3]);
        fixed.printableHeight = qint32(device[4]);
        fixed.offsetX = qint32(device[5]);
        fixed.offsetY = qint32(device[6]);
        const auto measured = MeasurePrinterMargins(fixed);
        QCOMPARE(measured.has_value(), margins.has_value());
        if (margins)
            QCOMPARE(*measured, *margins);
    }

    void standard_data() {
        QTest::addColumn<bool>("present");
        QTest::addColumn<float>("left");
        QTest::newRow("measured left offset") << true << 89.0f;
        QTest::newRow("no printer falls back to 330") << false << 330.0f;
    }

    void standard() {
        QFETCH(bool, present);
        QFETCH(float, left);
        TestReport report;
        FixedDevice device = sheetWithBorder();
        device.present = present;
        QVERIFY(StandardPageSetup(report, device).ok());
        QCOMPARE(report.page().leftMargin, left);
        QCOMPARE(report.page().topMargin, 1134.0f);
        QCOMPARE(report.page().rightMargin, 0.0f);
        QCOMPARE(report.page().bottomMargin, 0.0f);
        QCOMPARE(report.page().paperSize, 9);
        QCOMPARE(report.page().orientation, 2);
        QCOMPARE(report.viewer().printer().pageLayout().orientation(), QPageLayout::Landscape);
        QCOMPARE(report.viewer().printer().pageLayout().pageSize().id(), QPageSize::A4);
    }

    void standardZeroOffsets() {
        TestReport report;
        FixedDevice device = sheetWithBorder();
        device.offsetX = device.offsetY = 0;
        QVERIFY(StandardPageSetup(report, device).ok());
        QCOMPARE(report.page().leftMargin, 0.0f);
        QCOMPARE(report.page().topMargin, 1134.0f);
    }

    void fileTargetHasNoBorder() {
        TestReport report;
        report.setTarget(Target::Pdf, m_dir.filePath(QStringLiteral("x.pdf")));
        QVERIFY(StandardPageSetup(report).ok());
        QCOMPARE(report.page().leftMargin, 0.0f);
        QCOMPARE(report.page().topMargin, 1134.0f);
        writeIni("[START_POS]\nDevice=no_such_queue\n");
        QVERIFY(VariantPageSetup(report).ok());
        QCOMPARE(report.page().leftMargin, 0.0f);
    }

    void variantIni_data() {
        QTest::addColumn<QByteArray>("ini"); // empty: no file at all
        QTest::addColumn<bool>("ok");
        QTest::addColumn<float>("top");
        QTest::addColumn<float>("left");
        const float designedTop = 300; // the fixture layout's top margin
        const float measured = 89;
        QTest::newRow("no file") << QByteArray() << true << designedTop << measured;
        QTest::newRow("no section")
            << QByteArray("[OTHER]\nTOP=500\n") << true << designedTop << measured;
        QTest::newRow("TOP 500, LEFT 0")
            << QByteArray("[START_POS]\nTOP=500\nLEFT=0\n") << true << 500.0f << measured;
        QTest::newRow("LEFT 200") << QByteArray("[START_POS]\nLEFT=200\n") << true << designedTop
                                  << 200.0f;
        QTest::newRow("both") << QByteArray("[START_POS]\nTOP=-40\nLEFT=150\n") << true << -40.0f
                              << 150.0f;
        QTest::newRow("blanks around")
            << QByteArray("[START_POS]\nLEFT=  200  \n") << true << designedTop << 200.0f;
        QTest::newRow("half to even")
            << QByteArray("[START_POS]\nTOP=12.5\nLEFT=13.5\n") << true << 12.0f << 14.0f;
        QTest::newRow("empty values")
            << QByteArray("[start_pos]\nTOP=\nLEFT=\n") << true << designedTop << measured;
        QTest::newRow("16-bit limits")
            << QByteArray("[START_POS]\nTOP=32767\nLEFT=-32768\n") << true << 32767.0f << -32768.0f;
        QTest::newRow("TOP not numeric")
            << QByteArray("[START_POS]\nTOP=abc\n") << false << 0.0f << 0.0f;
        QTest::newRow("LEFT out of range")
            << QByteArray("[START_POS]\nLEFT=32768\n") << false << 0.0f << 0.0f;
        QTest::newRow("TOP below range")
            << QByteArray("[START_POS]\nTOP=-32769\n") << false << 0.0f << 0.0f;
    }

    void variantIni() {
        QFETCH(QByteArray, ini);
        QFETCH(bool, ok);
        QFETCH(float, top);
        QFETCH(float, left);
        if (ini.isEmpty())
            qputenv("KEMA_NPRINTER_INI",
                    m_dir.filePath(QStringLiteral("absent.ini")).toLocal8Bit());
        else
            writeIni(ini);
        TestReport report;
        const int paperBefore = report.page().paperSize;
        const kema::Status status = VariantPageSetup(report, sheetWithBorder());
        QCOMPARE(status.ok(), ok);
        if (!ok) {
            QVERIFY2(status.error().description.contains(QLatin1String("START_POS")),
                     qPrintable(status.error().description));
            return;
        }
        QCOMPARE(report.page().topMargin, top);
        QCOMPARE(report.page().leftMargin, left);
        QCOMPARE(report.page().rightMargin, 0.0f);
        QCOMPARE(report.page().bottomMargin, 0.0f);
        QCOMPARE(report.page().orientation, 2);
        QCOMPARE(report.page().paperSize, paperBefore);
        QCOMPARE(report.viewer().printer().pageLayout().orientation(), QPageLayout::Landscape);
    }

    void variantWithoutPrinter() {
        writeIni("[START_POS]\nTOP=500\n");
        TestReport report;
        FixedDevice device = sheetWithBorder();
        device.present = false;
        QVERIFY(VariantPageSetup(report, device).ok());
        QCOMPARE(report.page().leftMargin, 330.0f);
        QCOMPARE(report.page().topMargin, 500.0f);
    }

    void unknownDeviceIsAnError() {
        writeIni("[START_POS]\nDevice=no_such_queue\n");
        TestReport report;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("no_such_queue")));
        const kema::Status status = VariantPageSetup(report, sheetWithBorder());
        QVERIFY(!status.ok());
        QVERIFY(status.error().description.contains(QLatin1String("\"no_such_queue\"")));
    }

    // The unprintable border the real queues report, from their PPDs' ImageableArea: none on
    // the plain queue; 18 pt left and right, 30 pt top, 24 pt bottom on the margin queue.
    void realQueueOffsets_data() {
        QTest::addColumn<QString>("queueVariable");
        QTest::addColumn<PrinterMargins>("margins");
        QTest::newRow("full page")
            << QStringLiteral("KEMA_TEST_CUPS_QUEUE") << PrinterMargins{0, 0, 0, 0};
        QTest::newRow("with border") << QStringLiteral("KEMA_TEST_CUPS_MARGIN_QUEUE")
                                     << PrinterMargins{18 * 20, 30 * 20, 18 * 20, 24 * 20};
    }

    void realQueueOffsets() {
        KEMA_REQUIRE_CUPS();
        QFETCH(QString, queueVariable);
        QFETCH(PrinterMargins, margins);
        const QString queue = qEnvironmentVariable(qPrintable(queueVariable));
        TestReport report;
        QVERIFY(selectQueue(report.viewer().printer(), queue).ok());
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
        const QList<PdfWord> words = landscapeWords(pdf);
        const QPointF origin = QPointF(measured->left, layout.value()->topMargin) / 20;
        const QStringList wrong = misplaced(words, *layout.value(), origin, FromPrinter);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u'\n')));
        QVERIFY(std::any_of(words.begin(), words.end(),
                            [&](const PdfWord& w) { return w.text == queue; }));
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
};

QTEST_MAIN(PageSetupTest)
#include "tst_page_setup.moc"
