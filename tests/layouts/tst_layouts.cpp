// The compiled-in layouts as the engine loads and prints them. The designed page of each, with
// the layout's own sample texts, is held as pdftotext words against tests/layouts/expected/, so
// that a change to a layout shows as a diff; scripts/golden-layouts writes those files afresh.
// A broken layout file is refused, naming the file, the control and the fault.
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

    // The good fixture with one edit: a text it holds once and what replaces it.
    void brokenLayouts_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QStringList>("expected");
        const auto row = [](const char* name, const char* from, const char* to,
                            QStringList expected) {
            QTest::newRow(name) << QString::fromUtf8(from) << QString::fromUtf8(to) << expected;
        };
        row("unknown kind", "\"kind\": \"label\"", "\"kind\": \"picture\"",
            {"control 3 \"GENGO1\"", "unknown kind \"picture\""});
        row("unknown property", "\"name\": \"Line1\",", "\"name\": \"Line1\", \"dashStyle\": 1,",
            {"control 4 \"Line1\"", "unknown property \"dashStyle\""});
        row("unknown font property", "\"charset\": 128 }",
            "\"charset\": 128, \"colour\": \"#000000\" }",
            {"control 1 \"Fld_NAME\"", "unknown property \"colour\" in \"font\""});
        row("duplicate name", "\"Shape15\"", "\"Line1\"",
            {"control 6 \"Line1\"", "duplicate name"});
        row("no font", "\"font\": { \"face\": \"ＭＳ Ｐ明朝\", \"size\": 8.25, \"bold\": true },",
            "", {"control 2 \"Fld_NO\"", "missing required value \"font\""});
        row("alpha", "\"foreColor\": \"#FFFFFF\"", "\"foreColor\": \"#80FFFFFF\"",
            {"control 2 \"Fld_NO\"", "\"foreColor\" is not a 24-bit colour"});
        row("negative width", "\"width\": 7000", "\"width\": -15",
            {"control 6 \"Shape15\"", "negative width -15"});
        row("fractional left", "\"left\": 630,", "\"left\": 630.5,",
            {"control 1 \"Fld_NAME\"", "\"left\" must be a whole number"});
        row("unknown alignment", "\"text\": \"ＮＮＮＮ\" }",
            "\"text\": \"ＮＮＮＮ\", \"align\": \"justify\" }",
            {"control 1 \"Fld_NAME\"", "unknown alignment \"justify\""});
        row("no printWidth", "\"printWidth\": 16005,", "",
            {"missing required value \"printWidth\""});
        row("name", "\"name\": \"Good\"", "\"name\": \"TKV418R1\"",
            {"report name \"TKV418R1\" does not match the file name \"Good\""});
    }

    void brokenLayouts() {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QStringList, expected);
        QFile good(QStringLiteral(KEMA_SOURCE_DIR "/tests/layouts/fixtures/Good.json"));
        QVERIFY(good.open(QIODevice::ReadOnly));
        QString layout = QString::fromUtf8(good.readAll());
        QCOMPARE(layout.count(from), 1);
        const QString file = m_dir.filePath(u"Good.json"_s);
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(layout.replace(from, to).toUtf8());
        out.close();
        const auto loaded = loadLayoutFile(file);
        QVERIFY(!loaded.ok());
        const QString text = loaded.error().description;
        QVERIFY2(text.startsWith(file + u':'), qPrintable(text));
        for (const QString& part : expected)
            QVERIFY2(text.contains(part), qPrintable(text));
    }
};

QTEST_MAIN(TestLayouts)
#include "tst_layouts.moc"
