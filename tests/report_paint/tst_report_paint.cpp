#include "PdfText.h"
#include "report/Controls.h"
#include "report/Layout.h"
#include "report/Report.h"
#include "report/print/Output.h"

#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using namespace kema;
using namespace kema::report;
using namespace kema::test;
using namespace Qt::StringLiterals;

namespace {

constexpr double LeftMargin = 330;
constexpr double TopMargin = 1134;

LayoutPtr g_layout;

// Delivers `records` records; `format` fills the band of record n (from 1).
class PaintReport : public Report {
public:
    PaintReport() : Report(g_layout) {}
    int records = 1;
    std::function<void(PaintReport&, int)> format = [](PaintReport&, int) {};

    void Report_ReportStart() override {
        m_fetched = 0;
        page().leftMargin = LeftMargin;
        page().topMargin = TopMargin;
        textField(u"Fld_EMPTY"_s).setText({});
    }
    void Report_FetchData(bool& eof) override { eof = ++m_fetched > records; }
    void Detail_Format() override { format(*this, m_fetched); }

private:
    int m_fetched = 0;
};

// A box of the band in twips, on the sheet in points.
QRectF sheet(const QRectF& twips) {
    return QRectF((LeftMargin + twips.left()) / 20, (TopMargin + twips.top()) / 20,
                  twips.width() / 20, twips.height() / 20);
}

QRectF boxOf(const QString& control) {
    const LayoutControl& c = *g_layout->find(control);
    return QRectF(c.left, c.top, c.width, c.height);
}

// Ink inside a box of the band, in twips, on a page rendered at `dpi`.
int inkIn(const QString& png, const QRectF& twips, int dpi) {
    const QImage image(png);
    return image.isNull() ? -1 : darkPixels(image, sheet(twips), dpi);
}

} // namespace

class TestReportPaint : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString file(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        if (toolPath("pdftotext").isEmpty() || toolPath("pdfinfo").isEmpty())
            QSKIP("pdftotext and pdfinfo (poppler-utils) are not installed");
        auto loaded = loadLayoutFile(
            QStringLiteral(KEMA_SOURCE_DIR "/tests/report_paint/fixtures/PaintTest.json"));
        QVERIFY2(loaded, qPrintable(loaded ? QString() : loaded.error().description));
        g_layout = loaded.value();
    }

    // One A4 landscape page per record, titled with the document name; PNG pages after the first
    // are numbered.
    void pagesPerRecord() {
        PaintReport report;
        report.records = 3;
        const QString pdf = file(u"pages.pdf"_s);
        QVERIFY(renderPdf(report, pdf).ok());
        const QString info = runTool(toolPath("pdfinfo"), {pdf});
        for (const char* line :
             {"Pages:\\s+3\\n", "Page size:\\s+842 x 595 pts", "Title:\\s+来店伝票（描画）"})
            QVERIFY2(info.contains(QRegularExpression(QString::fromUtf8(line))), qPrintable(info));
        const QString fonts = runTool(toolPath("pdffonts"), {pdf});
        QVERIFY2(fonts.contains(u"IPAMincho"_s) && fonts.contains(u"LiberationSans"_s),
                 qPrintable(fonts));
        QVERIFY(renderPng(report, file(u"pages.png"_s), 100).ok());
        for (const char* name : {"pages.png", "pages-2.png", "pages-3.png"})
            QCOMPARE(QImage(file(QLatin1String(name))).size(), QSize(1169, 827)); // A4 at 100 dpi
        QVERIFY(!QFile::exists(file(u"pages-4.png"_s)));
    }

    // Each text from the top of its box at its aligned edge, in its face; hidden and emptied
    // texts draw nothing; a later filled frame masks a text and white draws white, both still in
    // the text layer; a long text wraps where its box holds two lines and is cut at its box
    // otherwise; at 96 dpi a line of weight 1 is one pixel, the frame's weight 2 two.
    void onePage() {
        PaintReport report;
        const QString pdf = file(u"page.pdf"_s);
        QVERIFY(renderPdf(report, pdf).ok());
        const QList<PdfWord> words = pdfWords(pdf);
        for (const char* name : {"Fld_L", "Fld_R", "Fld_C", "Fld_J", "Fld_P"}) {
            const LayoutControl& c = *g_layout->find(QLatin1String(name));
            verifyPrinted(words, sheet(boxOf(c.name)), c.align, c.text);
        }
        QStringList shown;
        for (const PdfWord& w : words)
            shown << w.text;
        QVERIFY(!shown.contains(u"Hidden"_s) && !shown.contains(u"Sample"_s));
        QVERIFY(shown.contains(u"Masked"_s) && shown.contains(u"Whitened"_s));
        const QRectF wrapBox = sheet(boxOf(u"Fld_WRAP"_s));
        QList<PdfWord> lines;
        for (const PdfWord& w : words)
            if (wrapBox.adjusted(-1, -1, 1, 1).contains(w.box.center()))
                lines << w;
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[1].box.top() > lines[0].box.top() + 5);
        QVERIFY(lines[0].box.right() <= wrapBox.right() + 1);
        QVERIFY(lines[0].text.startsWith(u"あいうえお"_s));

        const QString png = file(u"page.png"_s);
        QVERIFY(renderPng(report, png, 150).ok());
        for (const char* blank : {"Fld_HIDDEN", "Fld_EMPTY", "Fld_MASKED", "Fld_WHITE"})
            QCOMPARE(inkIn(png, boxOf(QLatin1String(blank)), 150), 0);
        const QRectF cut = boxOf(u"Fld_CUT"_s);
        QVERIFY(inkIn(png, cut, 150) > 0);
        QCOMPARE(inkIn(png, QRectF(cut.right() + 20, cut.top(), 1500, cut.height()), 150), 0);
        QCOMPARE(inkIn(png, QRectF(cut.left(), cut.bottom() + 20, cut.width(), 300), 150), 0);
        // A glyph taller than its box is cut at the box's bottom edge too.
        PaintReport tall;
        tall.format = [](PaintReport& r, int) {
            r.textField(u"Fld_CUT"_s).setText(u"あ"_s);
            r.textField(u"Fld_CUT"_s).setFontSize(30);
        };
        QVERIFY(renderPng(tall, png, 150).ok());
        QVERIFY(inkIn(png, cut, 150) > 0);
        QCOMPARE(inkIn(png, QRectF(cut.left(), cut.bottom() + 20, cut.width(), 400), 150), 0);

        QVERIFY(renderPng(report, png, 96).ok());
        QCOMPARE(inkIn(png, QRectF(2000, 5900, 1, 200), 96), 1);
        QCOMPARE(inkIn(png, QRectF(2000, 6400, 1, 200), 96), 2);
    }

    void barcodeReadsBack_data() {
        QTest::addColumn<QString>("number");
        for (const char* n : {"130100002", "13010000219", "0", "000000000001", "R2D2C3PO"})
            QTest::newRow(n) << QString::fromLatin1(n);
    }
    // Bars and line stay in the control's box; the human-readable line is in the text layer.
    void barcodeReadsBack() {
        QFETCH(QString, number);
        if (toolPath("zbarimg").isEmpty())
            QSKIP("zbarimg (zbar-tools) is not installed");
        PaintReport report;
        report.format = [number](PaintReport& r, int) {
            r.barcode(u"Fld_INQ_NO"_s).setOption(false);
            r.barcode(u"Fld_INQ_NO"_s).setData(number);
        };
        const QString png = file(u"barcode.png"_s);
        QVERIFY(renderPng(report, png, 300).ok());
        QCOMPARE(barcodes(png), QStringList{number});
        const QRectF box = boxOf(u"Fld_INQ_NO"_s);
        QVERIFY(inkIn(png, box, 300) > 0);
        QCOMPARE(inkIn(png, QRectF(box.left() - 400, box.top(), 390, box.height()), 300), 0);
        QCOMPARE(inkIn(png, QRectF(box.left(), box.bottom() + 10, box.width(), 400), 300), 0);
        // Quiet zones of ten modules stay clear on both sides of the bars.
        for (double x : {box.left() + 10, box.right() - 110})
            QCOMPARE(inkIn(png, QRectF(x, box.top(), 100, box.height() / 2), 300), 0);
        QVERIFY(runTool(toolPath("zbarimg"), {u"-q"_s, png}).startsWith(u"CODE-128:"_s));
        const QString pdf = file(u"barcode.pdf"_s);
        QVERIFY(renderPdf(report, pdf).ok());
        const QList<PdfWord> words = pdfWords(pdf);
        QVERIFY(std::any_of(words.begin(), words.end(), [&](const PdfWord& w) {
            return w.text == number && sheet(box).adjusted(-1, -1, 1, 1).contains(w.box);
        }));
    }

    // A change of weight on a later page reaches the drawn text: bold is wider.
    void boldChangeIsDrawn() {
        PaintReport report;
        report.records = 2;
        report.format = [](PaintReport& r, int record) {
            r.textField(u"Fld_L"_s).setBold(record == 2);
        };
        const QString pdf = file(u"bold.pdf"_s);
        QVERIFY(renderPdf(report, pdf).ok());
        QList<double> widths;
        for (const QList<PdfWord>& page : pdfPages(pdf))
            for (const PdfWord& w : page)
                if (w.text == u"Leftward")
                    widths << w.box.width();
        QCOMPARE(widths.size(), 2);
        QVERIFY2(widths[1] > widths[0] + 1, qPrintable(u"%1 %2"_s.arg(widths[0]).arg(widths[1])));
    }
};

QTEST_MAIN(TestReportPaint)
#include "tst_report_paint.moc"
