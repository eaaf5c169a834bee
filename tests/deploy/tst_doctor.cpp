// raiten doctor on workstations made for it: the demo store on SQLite or on the test PostgreSQL
// server and the test CUPS server pass every check; each later row breaks one thing and expects
// that check alone to fail, with its hint, after checks that passed. The text and the JSON form
// carry the same verdicts, and no password is ever shown.
#include "Relay.h"
#include "TestDatabase.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

using kema::test::kPostgres;
using kema::test::kSqlite;

const QString kSecret = u"doctor-secret-Xq7"_s;

// Every check, in the order a workstation needs them.
const QStringList kChecks{
    "settings",    "company", "connection-string", "database", "tables",        "parameters",
    "items",       "fonts",   "desktop",           "cups",     "default-queue", "printer-offsets",
    "offset-queue"};

// What a row sets up before the doctor runs.
struct Workstation {
    QString backend = kSqlite;
    QString sql{};                     // run on the store before the doctor
    QMap<QString, QString> settings{}; // keys of [NWLS\Common] replaced
    QString nprinter{};                // the printer-offset file's text
    QMap<QString, QString> environment{};
    QString timeout = u"120"_s; // seconds the database may take
};

struct Run {
    int status = -1;
    QString out;
    QString err;
};

bool write(const QString& path, const QString& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0;
}

} // namespace

Q_DECLARE_METATYPE(Workstation)

class TestDoctor : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    // A database server that never answers.
    const kema::test::Relay m_silent;

    static Run doctor(const QStringList& arguments, const QProcessEnvironment& environment) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(KEMA_BINARY_DIR "/tools/raiten/raiten"),
                      QStringList{"doctor"} + arguments);
        Run run;
        if (!process.waitForFinished(300000))
            return run;
        run.out = QString::fromUtf8(process.readAllStandardOutput());
        run.err = QString::fromUtf8(process.readAllStandardError());
        run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        return run;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QVERIFY(write(m_dir.filePath("fonts.conf"),
                      "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM "
                      "\"urn:fontconfig:fonts.dtd\">\n<fontconfig>\n<cachedir>" +
                          m_dir.filePath("fontcache") + "</cachedir>\n</fontconfig>\n"));
        for (const char* tool : {"sqlite3", "psql"}) {
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP(qPrintable(u"%1 is not installed (scripts/install-deps)"_s.arg(tool)));
        }
        if (qEnvironmentVariableIsEmpty("CUPS_SERVER") ||
            qEnvironmentVariableIsEmpty("KEMA_TEST_CUPS_QUEUE")) {
            if (kema::test::servicesRequired())
                QFAIL("CUPS_SERVER is not set but KEMA_REQUIRE_SERVICES=1");
            QSKIP("no test CUPS server (eval \"$(scripts/services/cups start DIR)\")");
        }
    }

    // A good workstation, then one fault a row: the check that fails alone, a text its detail
    // shows and one its hint does.
    void workstation_data() {
        QTest::addColumn<Workstation>("workstation");
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QString>("hint");
        const auto row = [](const char* name, const Workstation& workstation,
                            const QString& failing = {}, const QString& detail = {},
                            const QString& hint = {}) {
            QTest::newRow(name) << workstation << failing << detail << hint;
        };
        const QString offsets = u"[START_POS]\nTOP=120\nLEFT=-40\nDevice=%1\n"_s.arg(
            qEnvironmentVariable("KEMA_TEST_CUPS_QUEUE"));
        const QMap<QString, QString> offsetCompany{{"KIGYO", "000008"}};
        // A database that does not exist and a server that never answers, each with a password of
        // its own, so that a leak of it is seen.
        const QString unopenable =
            kema::test::serverConnection({{"DATABASE", "kema_absent_database"}, {"PWD", kSecret}});
        const QString silent = kema::test::serverConnection(
            {{"PORT", QString::number(m_silent.port())}, {"PWD", kSecret}});
        row("demo workstation on SQLite", {});
        row("company 000008 with its printer offsets",
            {.settings = offsetCompany, .nprinter = offsets});
        row("no per-user settings file",
            {.environment = {{"KEMA_SETTINGS", ""}, {"XDG_CONFIG_HOME", m_dir.filePath("config")}}},
            "settings",
            "no file " + m_dir.filePath("config/KEMA/settings.ini (the per-user default)"),
            "KIGYO, AREA and DBPARMS");
        row("AREA selects an empty key", {.settings = {{"AREA", "1"}}}, "connection-string",
            "AREA \"1\" selects DBPARMC, which is empty", "set DBPARMC in [NWLS\\Common]");
        row("connection that does not open",
            {.backend = kPostgres, .settings = {{"DBPARMS", unopenable}}}, "database",
            "cannot open", "odbcinst -q -d");
        row("database that never answers",
            {.backend = kPostgres, .settings = {{"DBPARMS", silent}}, .timeout = "3"}, "database",
            "no answer from", "database server is running");
        row("missing table", {.backend = kPostgres, .sql = "DROP TABLE CGLASDTL"}, "tables",
            "missing or unreadable tables: CGLASDTL", "schema.sql");
        row("missing column", {.sql = "ALTER TABLE CBASE DROP COLUMN CUBS_KATAGAKI"}, "tables",
            "missing columns: CBASE.CUBS_KATAGAKI", "schema.sql");
        row("parameter 5040 absent",
            {.backend = kPostgres, .sql = "DELETE FROM GSYSPARM WHERE PARM_NO = 5040"},
            "parameters", "missing from GSYSPARM: 5040", "add the rows to GSYSPARM");
        row("item group 45 with three details",
            {.sql = "DELETE FROM MITEMDTL WHERE ITEM_NO = 45 AND DETAIL_NO IN (40, 50)"}, "items",
            "group 45 has 3 details", "add the examination kinds to MITEMDTL");
        row("fonts without the Japanese faces",
            {.environment = {{"FONTCONFIG_FILE", m_dir.filePath("fonts.conf")}}}, "fonts",
            "IPAMincho", "install fonts-ipafont-mincho");
        row("no CUPS server", {.environment = {{"CUPS_SERVER", "127.0.0.1:1"}}}, "cups",
            "no answer from CUPS at 127.0.0.1:1", "CUPS_SERVER");
        row("company 000008 without a printer-offset file",
            {.settings = offsetCompany,
             .environment = {{"KEMA_NPRINTER_INI", m_dir.filePath("absent/Nprinter.ini")}}},
            "printer-offsets", "no readable file", "KEMA_NPRINTER_INI");
        row("company 000008 with a Device that is no queue",
            {.settings = offsetCompany,
             .nprinter = "[START_POS]\nTOP=0\nLEFT=0\nDevice=kema_no_such_queue\n"},
            "offset-queue", "Device \"kema_no_such_queue\" is no queue",
            "set Device in [START_POS]");
    }

    void workstation() {
        QFETCH(Workstation, workstation);
        QFETCH(QString, failing);
        QFETCH(QString, detail);
        QFETCH(QString, hint);
        const auto& [backend, sql, settings, nprinter, environment, timeout] = workstation;

        kema::test::TestDatabase store(backend);
        KEMA_REQUIRE_DATABASE(store);
        QVERIFY2(sql.isEmpty() || store.run(sql).ok(), qPrintable(sql));
        store.writeSettings(settings);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        if (!nprinter.isEmpty()) {
            QVERIFY(write(m_dir.filePath("Nprinter.ini"), nprinter));
            env.insert("KEMA_NPRINTER_INI", m_dir.filePath("Nprinter.ini"));
        }
        for (auto it = environment.cbegin(); it != environment.cend(); ++it)
            env.insert(it.key(), it.value());

        const Run text = doctor({"--timeout", timeout}, env);
        const Run json = doctor({"--timeout", timeout, "--json"}, env);
        const int expected = failing.isEmpty() ? 0 : 1;
        QVERIFY2(text.status == expected, qPrintable(text.out + text.err));
        QVERIFY2(json.status == expected, qPrintable(json.out + json.err));

        // Passwords: masked in what is shown, the unopenable one never seen at all.
        static const QRegularExpression shownPassword(u"PWD=(?!\\*\\*\\*)"_s,
                                                      QRegularExpression::CaseInsensitiveOption);
        for (const QString& output : {text.out, text.err, json.out, json.err}) {
            QVERIFY2(!shownPassword.match(output).hasMatch(), qPrintable(output));
            QVERIFY2(!output.contains(kSecret), qPrintable(output));
        }

        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(json.out.toUtf8(), &error);
        QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
        const QJsonObject root = document.object();
        QCOMPARE(root.value("ok").toBool(), failing.isEmpty());
        const QJsonArray checks = root.value("checks").toArray();
        const QStringList lines = text.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), checks.size());

        QStringList ids;
        for (qsizetype i = 0; i < checks.size(); ++i) {
            const QJsonObject check = checks.at(i).toObject();
            const QString id = check.value("id").toString();
            const QString status = check.value("status").toString();
            ids << id;
            // The same verdict, title, detail and hint on the line of the same place.
            const QString line = lines.at(i);
            const QString mark = status == u"pass" ? u"✓"_s : status == u"fail" ? u"✗"_s : u"-"_s;
            QVERIFY2(line.startsWith(mark + u' ' + check.value("title").toString() + u": "_s +
                                     check.value("detail").toString()),
                     qPrintable(line));
            QVERIFY2(QStringList({"pass", "skip", "fail"}).contains(status), qPrintable(line));
            QVERIFY2((status == u"fail") == (id == failing), qPrintable(line));
            if (id == failing) {
                QVERIFY2(line.endsWith(u" — "_s + check.value("hint").toString()),
                         qPrintable(line));
                QVERIFY2(check.value("detail").toString().contains(detail), qPrintable(line));
                QVERIFY2(check.value("hint").toString().contains(hint), qPrintable(line));
            }
            // What comes before the broken part is found working.
            if (failing.isEmpty() || kChecks.indexOf(id) < kChecks.indexOf(failing))
                QVERIFY2(status == u"pass" || id.contains(u"offset") || id == u"default-queue",
                         qPrintable(line));
        }
        QCOMPARE(ids, kChecks);
        if (backend == kPostgres)
            QVERIFY2(text.out.contains(u"PWD=***"), qPrintable(text.out));
    }
};

QTEST_MAIN(TestDoctor)
#include "tst_doctor.moc"
