// The compiled-in layouts as the engine loads and prints them. The designed page of each, with
// the layout's own sample texts, is held as pdftotext words against tests/layouts/expected/, so
// that a change to a layout shows as a diff; scripts/golden-layouts writes those files afresh.
#include "PdfText.h"
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

class TestLayouts : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

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
        const auto file =
            loadLayoutFile(QStringLiteral(KEMA_SOURCE_DIR "/layouts/%1.json").arg(layout));
        QVERIFY2(file.ok(), qPrintable(file ? QString() : file.error().description));
        const auto compiled = loadLayout(layout);
        QVERIFY2(compiled.ok(), qPrintable(compiled ? QString() : compiled.error().description));
        QVERIFY(*compiled.value() == *file.value());
        int lastText = 0;
        int firstRule = int(file.value()->controls.size()) + 1;
        for (std::size_t i = 0; i < file.value()->controls.size(); ++i) {
            const LayoutControl& c = file.value()->controls[i];
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
        Report report(layout);
        const QString pdf = m_dir.filePath(layout + u".pdf"_s);
        const kema::Status drawn = renderPdf(report, pdf);
        QVERIFY2(drawn.ok(), drawn ? "" : qPrintable(drawn.error().description));
        const QList<QList<PdfWord>> pages = pdfPages(pdf);
        QCOMPARE(pages.size(), 1);
        QStringList lines;
        for (const PdfWord& w : pages[0])
            lines << QString::asprintf("%.1f %.1f %.1f %.1f ", w.box.left(), w.box.top(),
                                       w.box.right(), w.box.bottom()) +
                         w.text;
        const QString expected =
            QStringLiteral(KEMA_SOURCE_DIR "/tests/layouts/expected/%1.words").arg(layout);
        const QByteArray actual = (lines.join(u'\n') + u'\n').toUtf8();
        if (qEnvironmentVariable("KEMA_REGENERATE") == u"1") {
            QFile out(expected);
            QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QCOMPARE(out.write(actual), actual.size());
            return;
        }
        const QString actualFile = m_dir.filePath(layout + u".words"_s);
        QFile out(actualFile);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(actual) == actual.size());
        out.close();
        int status = -1;
        const QString diff = runTool(toolPath("diff"), {u"-u"_s, expected, actualFile}, &status);
        QVERIFY2(status == 0, qPrintable(u"the designed page changed (scripts/golden-layouts "
                                         "writes the expectation afresh):\n"_s +
                                         diff));
    }
};

QTEST_MAIN(TestLayouts)
#include "tst_layouts.moc"
