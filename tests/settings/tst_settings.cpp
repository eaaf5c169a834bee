#include "services/settings/Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kema;

namespace {

// Sets an environment variable for one scope and puts the old value back.
class EnvGuard {
public:
    EnvGuard(const char* name, const QByteArray& value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name)) {
        qputenv(name, value);
    }
    static EnvGuard unset(const char* name) {
        EnvGuard g(name, QByteArray());
        qunsetenv(name);
        return g;
    }
    EnvGuard(EnvGuard&& other) noexcept
        : m_name(other.m_name), m_had(other.m_had), m_old(other.m_old) {
        other.m_name = nullptr;
    }
    EnvGuard(const EnvGuard&) = delete;
    EnvGuard& operator=(const EnvGuard&) = delete;
    ~EnvGuard() {
        if (!m_name)
            return;
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

const QByteArray kLong =
    QByteArray("DRIVER=SQLite3;Database=/var/lib/kema/") + QByteArray(150, 'x');

} // namespace

class SettingsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void readIniValue_data();
    void readIniValue();
    void missingFile();
    void directoryInsteadOfFile();
    void settingsFilePath_data();
    void settingsFilePath();
    void getSetting();
    void getSettingReadsAfresh();
    void nprinterIniPath();

private:
    QString write(const QByteArray& bytes);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void SettingsTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString SettingsTest::write(const QByteArray& bytes) {
    const QString path = m_dir->filePath(QStringLiteral("test.ini"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    f.write(bytes);
    return path;
}

void SettingsTest::readIniValue_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("defaultValue");
    QTest::addColumn<QString>("expected");
    const QString sp = QStringLiteral("START_POS");
    const QString top = QStringLiteral("TOP");
    const QString zero = QStringLiteral("0");

    QTest::newRow("plain") << QByteArray("[START_POS]\nTOP=100\nLEFT=-50\n") << sp << top << zero
                           << "100";
    QTest::newRow("second key") << QByteArray("[START_POS]\nTOP=100\nLEFT=-50\n") << sp
                                << QStringLiteral("LEFT") << zero << "-50";
    QTest::newRow("blanks around key and value")
        << QByteArray("[START_POS]\n  TOP \t=   120  \t\n") << sp << top << zero << "120";
    QTest::newRow("section and key case")
        << QByteArray("[start_pos]\ntop=7\n") << sp << top << zero << "7";
    QTest::newRow("backslash section any case")
        << QByteArray("[NWLS\\COMMON]\nKIGYO=000008\n") << QStringLiteral("nwls\\Common")
        << QStringLiteral("kigyo") << QString() << "000008";
    QTest::newRow("blanks inside brackets")
        << QByteArray("[ START_POS ]\nTOP=3\n") << sp << top << zero << "3";
    QTest::newRow("missing key") << QByteArray("[START_POS]\nLEFT=5\n") << sp << top << zero << "0";
    QTest::newRow("missing section") << QByteArray("[OTHER]\nTOP=5\n") << sp << top << zero << "0";
    QTest::newRow("key of the next section")
        << QByteArray("[START_POS]\nLEFT=1\n[OTHER]\nTOP=5\n") << sp << top << zero << "0";
    QTest::newRow("key before any section")
        << QByteArray("TOP=5\n[START_POS]\n") << sp << top << zero << "0";
    QTest::newRow("empty value gives default")
        << QByteArray("[START_POS]\nTOP=\n") << sp << top << zero << "0";
    QTest::newRow("blank value gives default")
        << QByteArray("[START_POS]\nTOP=   \n") << sp << top << QStringLiteral(" d ") << " d ";
    QTest::newRow("first key wins")
        << QByteArray("[START_POS]\nTOP=1\nTOP=2\n") << sp << top << zero << "1";
    QTest::newRow("section written twice")
        << QByteArray("[START_POS]\nLEFT=1\n[OTHER]\nTOP=1\n[start_pos]\nTOP=2\n") << sp << top
        << zero << "2";
    QTest::newRow("first key of a section written twice")
        << QByteArray("[START_POS]\nTOP=1\n[START_POS]\nTOP=2\n") << sp << top << zero << "1";
    QTest::newRow("value after the first =")
        << QByteArray("[NWLS\\COMMON]\nDBPARMS=DRIVER=SQLite3;Database=/tmp/a b.db\n")
        << QStringLiteral("NWLS\\COMMON") << QStringLiteral("DBPARMS") << QString()
        << "DRIVER=SQLite3;Database=/tmp/a b.db";
    QTest::newRow("long value cut to 127")
        << (QByteArray("[S]\nK=") + kLong + '\n') << QStringLiteral("S") << QStringLiteral("K")
        << QString() << QString::fromLatin1(kLong.left(127));
    QTest::newRow("127 characters kept")
        << (QByteArray("[S]\nK=") + kLong.left(127) + "\n") << QStringLiteral("S")
        << QStringLiteral("K") << QString() << QString::fromLatin1(kLong.left(127));
    QTest::newRow("cut at NUL") << QByteArray("[S]\nK=ab\0cd\n", 12) << QStringLiteral("S")
                                << QStringLiteral("K") << zero << "ab";
    QTest::newRow("double quotes removed")
        << QByteArray("[START_POS]\nDevice=\" Queue 1 \"\n") << sp << QStringLiteral("Device")
        << QString() << " Queue 1 ";
    QTest::newRow("single quotes removed") << QByteArray("[START_POS]\nDevice='kema'\n") << sp
                                           << QStringLiteral("Device") << QString() << "kema";
    QTest::newRow("unbalanced quote kept") << QByteArray("[START_POS]\nDevice=\"kema\n") << sp
                                           << QStringLiteral("Device") << QString() << "\"kema";
    QTest::newRow("comment skipped")
        << QByteArray("[START_POS]\n;TOP=5\nTOP=6\n") << sp << top << zero << "6";
    QTest::newRow("line without =")
        << QByteArray("[START_POS]\nTOP\nTOP=8\n") << sp << top << zero << "8";
    QTest::newRow("CR LF") << QByteArray("[START_POS]\r\nTOP=9\r\nLEFT=1\r\n") << sp << top << zero
                           << "9";
    QTest::newRow("UTF-8 with BOM")
        << QByteArray("\xEF\xBB\xBF[START_POS]\nDevice=受付プリンタ\n") << sp
        << QStringLiteral("Device") << QString() << "受付プリンタ";
    QTest::newRow("code page 932") << QByteArray::fromHex("5b53544152545f504f535d0a4465766963653d"
                                                          "8ef395748376838a8393835e0a")
                                   << sp << QStringLiteral("Device") << QString() << "受付プリンタ";
    QTest::newRow("code page 932 section and half-width kana")
        << QByteArray::fromHex("5b935895dc5d0a4b3d" // [店舗] K=
                               "b1b2b30a")          // ｱｲｳ
        << QStringLiteral("店舗") << QStringLiteral("K") << QString() << "ｱｲｳ";
    QTest::newRow("UTF-16 with BOM")
        << QByteArray::fromHex("fffe5b0053005d000a004b003d0031000a00") << QStringLiteral("s")
        << QStringLiteral("k") << QString() << "1";
}

void SettingsTest::readIniValue() {
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, defaultValue);
    QFETCH(QString, expected);
    QCOMPARE(ReadIniValue(write(content), section, key, defaultValue), expected);
}

void SettingsTest::missingFile() {
    const QString path = m_dir->filePath(QStringLiteral("absent/Nprinter.ini"));
    QCOMPARE(
        ReadIniValue(path, QStringLiteral("START_POS"), QStringLiteral("TOP"), QStringLiteral("0")),
        QStringLiteral("0"));
    QCOMPARE(ReadIniValue(path, QStringLiteral("START_POS"), QStringLiteral("Device"), QString()),
             QString());
}

void SettingsTest::directoryInsteadOfFile() {
    QCOMPARE(
        ReadIniValue(m_dir->path(), QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("d")),
        QStringLiteral("d"));
}

void SettingsTest::settingsFilePath_data() {
    QTest::addColumn<QByteArray>("kemaSettings");
    QTest::addColumn<QByteArray>("xdg");
    QTest::addColumn<QString>("expected");
    QTest::newRow("KEMA_SETTINGS wins")
        << QByteArray("/etc/kema/a.ini") << QByteArray("/x") << "/etc/kema/a.ini";
    QTest::newRow("XDG_CONFIG_HOME")
        << QByteArray() << QByteArray("/x/conf") << "/x/conf/KEMA/settings.ini";
    QTest::newRow("XDG_CONFIG_HOME empty")
        << QByteArray() << QByteArray() << "/home/u/.config/KEMA/settings.ini";
    QTest::newRow("XDG_CONFIG_HOME relative")
        << QByteArray() << QByteArray("conf") << "/home/u/.config/KEMA/settings.ini";
}

void SettingsTest::settingsFilePath() {
    QFETCH(QByteArray, kemaSettings);
    QFETCH(QByteArray, xdg);
    QFETCH(QString, expected);
    EnvGuard home("HOME", "/home/u");
    EnvGuard settings = kemaSettings.isEmpty() ? EnvGuard::unset("KEMA_SETTINGS")
                                               : EnvGuard("KEMA_SETTINGS", kemaSettings);
    EnvGuard config("XDG_CONFIG_HOME", xdg);
    QCOMPARE(kema::settingsFilePath(), expected);
}

void SettingsTest::getSetting() {
    QDir(m_dir->path()).mkpath(QStringLiteral("KEMA"));
    QFile f(m_dir->filePath(QStringLiteral("KEMA/settings.ini")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[NWLS\\Common]\nKIGYO=000008\n[NWLS\\COMMON]\nAREA=1\n");
    f.write("[nwls\\common]\nDBPARMC=" + kLong + "\n");
    f.close();
    // The sections are written as the registry names them, in two spellings; they are one.
    const QString common = QStringLiteral("NWLS\\COMMON");
    {
        EnvGuard settings = EnvGuard::unset("KEMA_SETTINGS");
        EnvGuard config("XDG_CONFIG_HOME", m_dir->path().toLocal8Bit());
        QCOMPARE(GetSetting(QStringLiteral("NWLS\\Common"), QStringLiteral("KIGYO")),
                 QStringLiteral("000008"));
        QCOMPARE(GetSetting(common, QStringLiteral("AREA"), QStringLiteral("none")),
                 QStringLiteral("1"));
        QCOMPARE(GetSetting(common, QStringLiteral("DBPARMC")), QString::fromLatin1(kLong));
    }

    const QString file = write("[NWLS\\COMMON]\nKIGYO=\nAREA = 01 \nDBPARMS=" + kLong + "\n");
    EnvGuard settings("KEMA_SETTINGS", file.toLocal8Bit());
    QCOMPARE(GetSetting(common, QStringLiteral("area")), QStringLiteral("01"));
    // Unlike the profile buffer, the store keeps a whole connection string.
    QCOMPARE(GetSetting(common, QStringLiteral("DBPARMS")), QString::fromLatin1(kLong));
    QCOMPARE(GetSetting(common, QStringLiteral("KIGYO"), QStringLiteral("x")), QString());
    QCOMPARE(GetSetting(common, QStringLiteral("DBPARMC")), QString());
    QCOMPARE(GetSetting(common, QStringLiteral("DBPARMC"), QStringLiteral("d")),
             QStringLiteral("d"));
    QCOMPARE(GetSetting(QStringLiteral("NWLS"), QStringLiteral("AREA")), QString());
}

void SettingsTest::getSettingReadsAfresh() {
    const QString file = write("[NWLS\\Common]\nKIGYO=000004\n");
    EnvGuard settings("KEMA_SETTINGS", file.toLocal8Bit());
    QCOMPARE(GetSetting(QStringLiteral("NWLS\\Common"), QStringLiteral("KIGYO")),
             QStringLiteral("000004"));
    write("[NWLS\\Common]\nKIGYO=000008\n");
    QCOMPARE(GetSetting(QStringLiteral("NWLS\\Common"), QStringLiteral("KIGYO")),
             QStringLiteral("000008"));
    QVERIFY(QFile::remove(file));
    QCOMPARE(GetSetting(QStringLiteral("NWLS\\Common"), QStringLiteral("KIGYO")), QString());
}

void SettingsTest::nprinterIniPath() {
    {
        EnvGuard path = EnvGuard::unset("KEMA_NPRINTER_INI");
        QCOMPARE(kema::nprinterIniPath(), QStringLiteral("/Nwls/App/Recept/Nprinter.ini"));
    }
    EnvGuard path("KEMA_NPRINTER_INI", "/tmp/x/Nprinter.ini");
    QCOMPARE(kema::nprinterIniPath(), QStringLiteral("/tmp/x/Nprinter.ini"));
}

QTEST_GUILESS_MAIN(SettingsTest)
#include "tst_settings.moc"
