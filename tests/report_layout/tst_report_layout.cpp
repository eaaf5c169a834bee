#include "report/Layout.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace kema::report;
using namespace Qt::StringLiterals;

namespace {

const QString kGood = QStringLiteral(KEMA_SOURCE_DIR "/tests/report_layout/fixtures/Good.json");

} // namespace

class TestReportLayout : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
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
        QFile good(kGood);
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

QTEST_MAIN(TestReportLayout)
#include "tst_report_layout.moc"
