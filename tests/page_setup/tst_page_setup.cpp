#include "../report_print/Cups.h"
#include "../report_print/TestReport.h"
#include "PdfText.h"
#include "report/Layout.h"
#include "report/Viewer.h"
#include "report/print/AlignmentSheet.h"
#include "report/print/Desktop.h"
#include "report/print/PageSetup.h"
#include "report/print/Printing.h"

#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <limits>

using namespace kema::report;
using namespace Qt::StringLiterals;
using kema::test::PdfWord;

namespace {

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

class TestPageSetup : public QObject {
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

    // The standard setup: the measured left offset, 330 without a printer, top 1134. The
    // variant: the pre-printed forms' offsets, else the designed top and the measured left.
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
        const QPageLayout sheet = reportPrinter(report).value()->pageLayout();
        QCOMPARE(sheet.orientation(), QPageLayout::Landscape);
        if (!variant)
            QCOMPARE(sheet.pageSize().id(), QPageSize::A4);
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
};

QTEST_MAIN(TestPageSetup)
#include "tst_page_setup.moc"
