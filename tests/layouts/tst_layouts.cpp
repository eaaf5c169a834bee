// The compiled-in layouts as the engine loads and prints them. The designed page of each, with
// the layout's own sample texts, is held as pdftotext words against tests/layouts/expected/, so
// that a change to a layout shows as a diff; scripts/golden-layouts writes those files afresh.
#include "PdfText.h"
#include "report/Controls.h"
#include "report/FileOutput.h"
#include "report/Layout.h"
#include "report/Report.h"
#include "report/print/Output.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

using namespace kema::report;
using namespace kema::test;
using namespace Qt::StringLiterals;

namespace {

QString expectedFile(const QString& layout) {
    return QStringLiteral(KEMA_SOURCE_DIR "/tests/layouts/expected/%1.words").arg(layout);
}

// The box of a control on the sheet, in points: a layout printed on its own lands at its margins.
QRectF sheetBox(const ReportLayout& layout, const LayoutControl& c) {
    return QRectF((layout.leftMargin + c.left) / 20.0, (layout.topMargin + c.top) / 20.0,
                  c.width / 20.0, c.height / 20.0);
}

// Data fields of every group of the card, filled; their neighbours stay empty so that no two
// texts run together in the text layer.
const QStringList kFilledCard{u"Fld_H_ITEM_NO_13=血液型"_s,    u"Fld_H_ITEM_13=Ａ型"_s,
                              u"Fld_H_ITEM_NO_20=誕生日"_s,    u"Fld_H_ITEM_20=1998年03月15日"_s,
                              u"Fld_H_ITEM_NO_21=来店回数"_s,  u"Fld_H_ITEM_21=1,234"_s,
                              u"Fld_H_ITEM_NO_28=視力"_s,      u"Fld_H_ITEM_28=1.25"_s,
                              u"Fld_SYOKAN=所感の欄"_s,        u"Fld_CUBS_GL_AMT_SUM=1,234,567"_s,
                              u"Fld_CUBS_CL_AMT_SUM=89,000"_s, u"Fld_CUBS_OTH_AMT_SUM=5,400"_s,
                              u"Fld_H_ITEM_NO11=メガネ"_s,     u"Fld_H_ITEM_NO11_01=遠用"_s,
                              u"Fld_H_ITEM_11_01=1"_s,         u"Fld_H_ITEM_NO11_16=偏光"_s,
                              u"Fld_H_ITEM_11_16=2"_s,         u"Fld_H_ITEM_NO29=コンタクト"_s,
                              u"Fld_H_ITEM_NO29_05=乱視"_s,    u"Fld_H_ITEM_29_10=3"_s,
                              u"Fld_H_ITEM_NO30=ケア用品"_s,   u"Fld_H_ITEM_NO30_12=洗浄"_s,
                              u"Fld_H_ITEM_30_03=4"_s,         u"Fld_H_ITEM_NO31=その他"_s,
                              u"Fld_H_ITEM_NO31_08=補聴"_s,    u"Fld_H_ITEM_31_14=5"_s,
                              u"Fld_UMEISAI_01=レンズ"_s,      u"Fld_UMEISAI_05=カード"_s,
                              u"Fld_UMEISAI_08=入金計"_s};

// The layout's own report, with `filled` ("Field=text") shown.
class Sample : public Report {
public:
    Sample(const QString& layout, QStringList filled)
        : Report(layout), m_filled(std::move(filled)) {}
    void Report_ReportStart() override {
        for (const QString& item : m_filled) {
            TextControl& field = textField(item.section(u'=', 0, 0));
            field.setText(item.section(u'=', 1));
            field.setVisible(true);
        }
    }

private:
    QStringList m_filled;
};

} // namespace

class TestLayouts : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    LayoutPtr fileLayout(const QString& name) {
        auto loaded = loadLayoutFile(QStringLiteral(KEMA_SOURCE_DIR "/layouts/%1.json").arg(name));
        if (!loaded)
            QTest::qFail(qPrintable(loaded.error().description), __FILE__, __LINE__);
        return loaded ? loaded.value() : nullptr;
    }

    QList<PdfWord> render(Report& report) {
        const QString pdf = m_dir.filePath(report.name() + u".pdf"_s);
        const kema::Status drawn = renderPdf(report, pdf);
        if (!QTest::qVerify(drawn.ok(), "renderPdf",
                            drawn ? "" : qPrintable(drawn.error().description), __FILE__, __LINE__))
            return {};
        const QList<QList<PdfWord>> pages = pdfPages(pdf);
        QTest::qCompare(int(pages.size()), 1, "pages", "1", __FILE__, __LINE__);
        return pages.value(0);
    }

    static void addLayouts() {
        QTest::addColumn<QString>("layout");
        for (const QString& layout : {u"TKV418R1"_s, u"TKV418R3"_s})
            QTest::newRow(qPrintable(layout)) << layout;
    }

private slots:
    // The compiled-in layout is the file. Controls are numbered from 1 in list order, their
    // drawing order; texts carry a white back colour, so every rule and frame comes after every
    // text lest a box hide a rule.
    void compiledInIsTheFile_data() { addLayouts(); }
    void compiledInIsTheFile() {
        QFETCH(QString, layout);
        const LayoutPtr file = fileLayout(layout);
        QVERIFY(file);
        auto compiled = loadLayout(layout);
        QVERIFY2(compiled.ok(), qPrintable(compiled ? QString() : compiled.error().description));
        QCOMPARE(compiled.value()->controls.size(), file->controls.size());
        QVERIFY(*compiled.value() == *file);
        int lastText = 0;
        int firstRule = int(file->controls.size()) + 1;
        for (std::size_t i = 0; i < file->controls.size(); ++i) {
            const LayoutControl& c = file->controls[i];
            QCOMPARE(c.ordinal, int(i) + 1);
            if (c.kind == ControlKind::Text || c.kind == ControlKind::Label)
                lastText = std::max(lastText, c.ordinal);
            if (c.kind == ControlKind::Line || c.kind == ControlKind::Frame)
                firstRule = std::min(firstRule, c.ordinal);
        }
        QVERIFY(lastText < firstRule);
    }

    // The words of the designed page, text and box to 0.1 pt, as the expectation file has them.
    void designedPage_data() { addLayouts(); }
    void designedPage() {
        QFETCH(QString, layout);
        if (toolPath("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        Sample report(layout, {});
        QStringList lines;
        for (const PdfWord& w : render(report))
            lines << QString::asprintf("%.1f %.1f %.1f %.1f ", w.box.left(), w.box.top(),
                                       w.box.right(), w.box.bottom()) +
                         w.text;
        QVERIFY(!lines.isEmpty());
        const QByteArray actual = (lines.join(u'\n') + u'\n').toUtf8();
        if (qEnvironmentVariable("KEMA_REGENERATE") == u"1") {
            QFile out(expectedFile(layout));
            QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QCOMPARE(out.write(actual), actual.size());
            return;
        }
        const QString actualFile = m_dir.filePath(layout + u".words"_s);
        QFile out(actualFile);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(actual) == actual.size());
        out.close();
        int status = -1;
        const QString diff =
            runTool(toolPath("diff"), {u"-u"_s, expectedFile(layout), actualFile}, &status);
        QVERIFY2(status == 0, qPrintable(u"the designed page changed (scripts/golden-layouts "
                                         "writes the expectation afresh):\n"_s +
                                         diff));
    }

    // Each caption and filled field of the card prints in its own box, aligned as designed (the
    // slip's masks overlap its captions by design).
    void cardTextsPrintInTheirBoxes() {
        if (toolPath("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        const LayoutPtr file = fileLayout(u"TKV418R3"_s);
        QVERIFY(file);
        Sample report(u"TKV418R3"_s, kFilledCard);
        const QList<PdfWord> words = render(report);
        int checked = 0;
        for (const LayoutControl& c : file->controls) {
            if (c.kind != ControlKind::Text && c.kind != ControlKind::Label)
                continue;
            const TextControl& field = report.textField(c.name);
            if (!field.isVisible() || field.text().trimmed().isEmpty())
                continue;
            verifyPrinted(words, sheetBox(*file, c), c.align, field.text());
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(c.name));
            ++checked;
        }
        QVERIFY(checked > 10);
    }
};

QTEST_MAIN(TestLayouts)
#include "tst_layouts.moc"
