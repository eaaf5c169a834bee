#include "services/settings/Settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kema;
using namespace Qt::StringLiterals;

class TestSettings : public QObject {
    Q_OBJECT

    const QByteArray kLong = "DRIVER=SQLite3;Database=/var/lib/kema/" + QByteArray(150, 'x');
    QTemporaryDir m_dir;

    QString write(const QByteArray& bytes) {
        const QString path = m_dir.filePath(u"test.ini"_s);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
            QTest::qFail(qPrintable(u"cannot write "_s + path), __FILE__, __LINE__);
        return path;
    }

private slots:
    void readIniValue_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("defaultValue");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const QByteArray& content, const QString& expected,
                            const QString& key = u"TOP"_s, const QString& def = u"0"_s,
                            const QString& section = u"START_POS"_s) {
            QTest::newRow(name) << content << section << key << def << expected;
        };
        row("blanks around key and value", "[START_POS]\n  TOP \t=   120  \t\n", u"120"_s);
        row("section and key case", "[start_pos]\ntop=7\n", u"7"_s);
        row("blanks inside brackets", "[ START_POS ]\nTOP=3\n", u"3"_s);
        row("blank value gives default", "[START_POS]\nTOP=   \n", u" d "_s, u"TOP"_s, u" d "_s);
        row("first key wins", "[START_POS]\nTOP=1\nTOP=2\n", u"1"_s);
        row("section written twice", "[START_POS]\nLEFT=1\n[OTHER]\nTOP=1\n[start_pos]\nTOP=2\n",
            u"2"_s);
        row("value after the first =", "[START_POS]\nTOP=DRIVER=SQLite3;Database=/tmp/a b.db\n",
            u"DRIVER=SQLite3;Database=/tmp/a b.db"_s, u"TOP"_s, {});
        row("long value cut to 127", "[S]\nK=" + kLong + '\n', QString::fromLatin1(kLong.left(127)),
            u"K"_s, {}, u"S"_s);
        row("cut at NUL", QByteArray("[S]\nK=ab\0cd\n", 12), u"ab"_s, u"K"_s, {}, u"S"_s);
        row("quotes removed", "[START_POS]\nDevice=\" Queue 1 \"\n", u" Queue 1 "_s, u"Device"_s,
            {});
        row("unbalanced quote kept", "[START_POS]\nDevice=\"kema\n", u"\"kema"_s, u"Device"_s, {});
        row("line without =", "[START_POS]\nTOP\nTOP=8\n", u"8"_s);
        row("CR LF", "[START_POS]\r\nTOP=9\r\nLEFT=1\r\n", u"9"_s);
        row("UTF-8 with BOM", "\xEF\xBB\xBF[START_POS]\nDevice=受付プリンタ\n", u"受付プリンタ"_s,
            u"Device"_s, {});
        row("code page 932",
            QByteArray::fromHex("5b53544152545f504f535d0a4465766963653d8ef395748376838a8393835e0a"),
            u"受付プリンタ"_s, u"Device"_s, {});
        row("UTF-16 with BOM", QByteArray::fromHex("fffe5b0053005d000a004b003d0031000a00"), u"1"_s,
            u"k"_s, {}, u"s"_s);
        row("no file", {}, u"0"_s);
    }
    void readIniValue() {
        QFETCH(QByteArray, content);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, defaultValue);
        QFETCH(QString, expected);
        const QString file =
            content.isEmpty() ? m_dir.filePath(u"absent/Nprinter.ini"_s) : write(content);
        QCOMPARE(ReadIniValue(file, section, key, defaultValue), expected);
    }

    void settingsFilePath_data() {
        QTest::addColumn<QByteArray>("kemaSettings");
        QTest::addColumn<QByteArray>("xdg");
        QTest::addColumn<QString>("expected");
        QTest::newRow("KEMA_SETTINGS wins")
            << QByteArray("/etc/kema/a.ini") << QByteArray("/x") << "/etc/kema/a.ini";
        QTest::newRow("XDG_CONFIG_HOME")
            << QByteArray() << QByteArray("/x/conf") << "/x/conf/KEMA/settings.ini";
        QTest::newRow("XDG_CONFIG_HOME relative")
            << QByteArray() << QByteArray("conf") << "/home/u/.config/KEMA/settings.ini";
    }
    void settingsFilePath() {
        QFETCH(QByteArray, kemaSettings);
        QFETCH(QByteArray, xdg);
        QFETCH(QString, expected);
        qputenv("HOME", "/home/u");
        qputenv("KEMA_SETTINGS", kemaSettings);
        qputenv("XDG_CONFIG_HOME", xdg);
        QCOMPARE(kema::settingsFilePath(), expected);
    }

    void nprinterIniPath() {
        qunsetenv("KEMA_NPRINTER_INI");
        QCOMPARE(kema::nprinterIniPath(), u"/Nwls/App/Recept/Nprinter.ini"_s);
        qputenv("KEMA_NPRINTER_INI", "/tmp/x/Nprinter.ini");
        QCOMPARE(kema::nprinterIniPath(), u"/tmp/x/Nprinter.ini"_s);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
