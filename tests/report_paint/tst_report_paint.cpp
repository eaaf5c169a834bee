#include "PdfText.h"
#include "report/Controls.h"
#include "report/Document.h"
#include "report/FileOutput.h"
#include "report/Layout.h"
#include "report/Report.h"

#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using namespace kema;
using namespace kema::report;
using namespace kema::test;

namespace {

constexpr double LeftMargin = 330;
constexpr double TopMargin = 1134;

LayoutPtr fixture() {
    auto loaded = loadLayoutFile(
        QStringLiteral(KEMA_SOURCE_DIR "/tests/report_paint/fixtures/PaintTest.json"));
    if (!loaded)
        qFatal("%s", qPrintable(loaded.error().description));
    return loaded.value();
}

// Delivers `records` records; `format` fills the band of record n (from 1).
class PaintReport : public Report {
public:
    PaintReport() : Report(fixture()) {}
    int records = 1;
    std::function<void(PaintReport&, int)> format = [](PaintReport&, int) {};

    void Report_ReportStart() override {
        m_fetched = 0;
        page().leftMargin = LeftMargin;
        page().topMargin = TopMargin;
        textField(QStringLiteral("Fld_EMPTY")).setText({});
    }
    void Report_FetchData(bool& eof) override { eof = ++m_fetched > records; }
    void Detail_Format() override { format(*this, m_fetched); }

private:
    int m_fetched = 0;
};

// The designed box of a control on the sheet, in points.
QRectF sheetBox(const LayoutControl& c) {
    return QRectF((LeftMargin + c.left) / 20, (TopMargin + c.top) / 20, c.width / 20.0,
                  c.height / 20.0);
}

// Dark pixels inside a twips rectangle of the band on an image rendered at `dpi`.
int inkIn(const QImage& image, const QRectF& twips, int dpi) {
    if (image.isNull())
        return -1;
    const QRect r =
        QRectF((LeftMargin + twips.left()) * dpi / 1440, (TopMargin + twips.top()) * dpi / 1440,
               twips.width() * dpi / 1440, twips.height() * dpi / 1440)
            .toAlignedRect() &
        image.rect();
    int ink = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            ink += qGray(image.pixel(x, y)) < 128;
    return ink;
}

QRectF boxOf(const LayoutControl& c) {
    return QRectF(c.left, c.top, c.width, c.height);
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
    }

    void pdfIsOneA4LandscapePagePerRecordTitledWithTheDocumentName() {
        PaintReport report;
        report.records = 3;
        const QString pdf = file(QStringLiteral("pages.pdf"));
        QVERIFY(renderPdf(report, pdf).ok());
        QCOMPARE(report.target(), Target::Pdf);
        const QString info = runTool(toolPath("pdfinfo"), {pdf});
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+3\\n"))),
                 qPrintable(info));
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Page size:\\s+842 x 595 pts"))),
                 qPrintable(info));
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Title:\\s+来店伝票（描画）"))),
                 qPrintable(info));
        const QString fonts = runTool(toolPath("pdffonts"), {pdf});
        QVERIFY2(fonts.contains(QStringLiteral("IPAMincho")) &&
                     fonts.contains(QStringLiteral("LiberationSans")),
                 qPrintable(fonts));
    }

    void textsSitInTheirBoxes_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("text");
        QTest::newRow("left") << "Fld_L"
                              << "Leftward";
        QTest::newRow("right") << "Fld_R"
                               << "Rightward";
        QTest::newRow("center") << "Fld_C"
                                << "Centred";
        QTest::newRow("right, Japanese") << "Fld_J"
                                         << "山田太郎";
        QTest::newRow("center, proportional gothic") << "Fld_P"
                                                     << "ゴシック体";
    }

    void textsSitInTheirBoxes() {
        QFETCH(QString, control);
        QFETCH(QString, text);
        PaintReport report;
        const QString pdf = file(QStringLiteral("align.pdf"));
        QVERIFY(renderPdf(report, pdf).ok());
        const LayoutControl& c = *report.layout().find(control);
        const QRectF box = sheetBox(c);
        const QList<PdfWord> found = pdfWords(pdf);
        const auto it = std::find_if(found.begin(), found.end(),
                                     [&](const PdfWord& w) { return w.text == text; });
        QVERIFY2(it != found.end(), qPrintable(text));
        const QRectF got = it->box;
        verifyAligned(got, box, c.align);
        // Drawn from the top of the box.
        QVERIFY2(qAbs(got.top() - box.top()) <= 1, qPrintable(QString::number(got.top())));
        QVERIFY(got.bottom() <= box.bottom() + 1);
    }

    void invisibleAndEmptyTextsDrawNothing() {
        PaintReport report;
        const QString pdf = file(QStringLiteral("hidden.pdf"));
        QVERIFY(renderPdf(report, pdf).ok());
        QStringList texts;
        for (const PdfWord& w : pdfWords(pdf))
            texts << w.text;
        QVERIFY(texts.contains(QStringLiteral("Leftward")));
        QVERIFY(!texts.contains(QStringLiteral("Hidden")));
        QVERIFY(!texts.contains(QStringLiteral("Sample")));

        const QString png = file(QStringLiteral("hidden.png"));
        QVERIFY(renderPng(report, png, 150).ok());
        const QImage image(png);
        QVERIFY(inkIn(image, boxOf(*report.layout().find(QStringLiteral("Fld_L"))), 150) > 0);
        QCOMPARE(inkIn(image, boxOf(*report.layout().find(QStringLiteral("Fld_HIDDEN"))), 150), 0);
        QCOMPARE(inkIn(image, boxOf(*report.layout().find(QStringLiteral("Fld_EMPTY"))), 150), 0);
    }

    void laterFilledFrameMasksAndWhiteDrawsWhite() {
        PaintReport report;
        const QString pdf = file(QStringLiteral("mask.pdf"));
        QVERIFY(renderPdf(report, pdf).ok());
        QStringList texts;
        for (const PdfWord& w : pdfWords(pdf))
            texts << w.text;
        // Both are in the text layer; neither shows on the sheet.
        QVERIFY(texts.contains(QStringLiteral("Masked")));
        QVERIFY(texts.contains(QStringLiteral("Whitened")));
        const QString png = file(QStringLiteral("mask.png"));
        QVERIFY(renderPng(report, png, 150).ok());
        const QImage image(png);
        QCOMPARE(inkIn(image, boxOf(*report.layout().find(QStringLiteral("Fld_MASKED"))), 150), 0);
        QCOMPARE(inkIn(image, boxOf(*report.layout().find(QStringLiteral("Fld_WHITE"))), 150), 0);

        // Without the mask the text shows.
        PaintReport unmasked;
        unmasked.format = [](PaintReport& r, int) {
            r.frame(QStringLiteral("bmpMask")).setVisible(false);
        };
        QVERIFY(renderPng(unmasked, png, 150).ok());
        QVERIFY(inkIn(QImage(png), boxOf(*report.layout().find(QStringLiteral("Fld_MASKED"))),
                      150) > 0);
    }

    void longTextWrapsWhenTheBoxHoldsTwoLinesElseIsCut() {
        PaintReport report;
        const QString pdf = file(QStringLiteral("wrap.pdf"));
        QVERIFY(renderPdf(report, pdf).ok());
        const LayoutControl& wrap = *report.layout().find(QStringLiteral("Fld_WRAP"));
        const QRectF wrapBox = sheetBox(wrap);
        QList<PdfWord> lines;
        for (const PdfWord& w : pdfWords(pdf)) {
            if (wrapBox.adjusted(-1, -1, 1, 1).contains(w.box.center()))
                lines << w;
        }
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[1].box.top() > lines[0].box.top() + 5);
        QVERIFY(lines[0].box.right() <= wrapBox.right() + 1);
        QVERIFY(lines[0].text.startsWith(QStringLiteral("あいうえお")));

        const QString png = file(QStringLiteral("cut.png"));
        QVERIFY(renderPng(report, png, 150).ok());
        const QImage image(png);
        const QRectF cut = boxOf(*report.layout().find(QStringLiteral("Fld_CUT")));
        QVERIFY(inkIn(image, cut, 150) > 0);
        QCOMPARE(inkIn(image, QRectF(cut.right() + 20, cut.top(), 1500, cut.height()), 150), 0);
        QCOMPARE(inkIn(image, QRectF(cut.left(), cut.bottom() + 20, cut.width(), 300), 150), 0);
    }

    void pngPagesAfterTheFirstAreNumbered() {
        PaintReport report;
        report.records = 3;
        const QString png = file(QStringLiteral("pages.png"));
        QVERIFY(renderPng(report, png, 100).ok());
        for (const char* name : {"pages.png", "pages-2.png", "pages-3.png"}) {
            const QImage page(file(QLatin1String(name)));
            QCOMPARE(page.size(), QSize(1169, 827)); // A4 landscape at 100 dpi
        }
        QVERIFY(!QFile::exists(file(QStringLiteral("pages-4.png"))));
        QCOMPARE(pngPageFile(QStringLiteral("/tmp/a.b/out"), 1), QStringLiteral("/tmp/a.b/out-2"));
    }

    void linesAndFramesHaveTheirWeight() {
        PaintReport report;
        const QString png = file(QStringLiteral("lines.png"));
        QVERIFY(renderPng(report, png, 96).ok());
        const QImage image(png);
        auto darkRows = [&](int x, int fromTwips, int toTwips) {
            int n = 0;
            for (int y = int((TopMargin + fromTwips) * 96 / 1440);
                 y <= int((TopMargin + toTwips) * 96 / 1440); ++y)
                n += qGray(image.pixel(x, y)) < 160;
            return n;
        };
        const int x = int((LeftMargin + 2000) * 96 / 1440);
        QCOMPARE(darkRows(x, 5900, 6100), 1); // weight 1: one pixel at 96 dpi
        QCOMPARE(darkRows(x, 6400, 6600), 2); // the frame's weight 2
    }

    void barcodeReadsBack_data() {
        QTest::addColumn<QString>("number");
        for (const char* n : {"130100002", "13010000219", "0", "A1", "000000000001", "ABCDEFGHIJKL",
                              "Z9Y8X7W6V5U4", "999999999999", "R2D2C3PO"})
            QTest::newRow(n) << QString::fromLatin1(n);
    }

    void barcodeReadsBack() {
        QFETCH(QString, number);
        if (toolPath("zbarimg").isEmpty())
            QSKIP("zbarimg (zbar-tools) is not installed");
        PaintReport report;
        report.format = [number](PaintReport& r, int) {
            r.barcode(QStringLiteral("Fld_INQ_NO")).setOption(false);
            r.barcode(QStringLiteral("Fld_INQ_NO")).setData(number);
        };
        const QString png = file(QStringLiteral("barcode.png"));
        QVERIFY(renderPng(report, png, 300).ok());
        QCOMPARE(barcodes(png), QStringList{number});
        // Bars and line stay in the control's box.
        const QImage image(png);
        const LayoutControl& c = *report.layout().find(QStringLiteral("Fld_INQ_NO"));
        const QRectF box = boxOf(c);
        QVERIFY(inkIn(image, box, 300) > 0);
        QCOMPARE(inkIn(image, QRectF(box.left() - 400, box.top(), 390, box.height()), 300), 0);
        QCOMPARE(inkIn(image, QRectF(box.left(), box.bottom() + 10, box.width(), 400), 300), 0);

        const QString pdf = file(QStringLiteral("barcode.pdf"));
        QVERIFY(renderPdf(report, pdf).ok());
        bool human = false;
        for (const PdfWord& w : pdfWords(pdf))
            human |= w.text == number && sheetBox(c).adjusted(-1, -1, 1, 1).contains(w.box);
        QVERIFY(human);
    }

    void clearedBarcodeDrawsNothing() {
        PaintReport report;
        report.format = [](PaintReport& r, int) {
            r.barcode(QStringLiteral("Fld_INQ_NO")).setData(QVariant::fromValue<qint16>(0));
        };
        const QString png = file(QStringLiteral("cleared.png"));
        QVERIFY(renderPng(report, png, 150).ok());
        QCOMPARE(
            inkIn(QImage(png), boxOf(*report.layout().find(QStringLiteral("Fld_INQ_NO"))), 150), 0);
    }

    void textCode128CannotEncodePrintsItsLineOnly() {
        PaintReport report;
        report.format = [](PaintReport& r, int) {
            r.barcode(QStringLiteral("Fld_INQ_NO")).setData(QStringLiteral("伝票１２３"));
        };
        QTest::ignoreMessage(
            QtWarningMsg, QRegularExpression(QStringLiteral("Fld_INQ_NO.*伝票１２３.*Code 128")));
        const QString pdf = file(QStringLiteral("free.pdf"));
        QVERIFY(renderPdf(report, pdf).ok());
        bool human = false;
        for (const PdfWord& w : pdfWords(pdf))
            human |= w.text == QStringLiteral("伝票１２３");
        QVERIFY(human);
        const Document& document = report.document();
        for (const Primitive& p : document.primitives)
            QVERIFY(!std::holds_alternative<BarsPrimitive>(p));
    }
};

QTEST_MAIN(TestReportPaint)
#include "tst_report_paint.moc"
