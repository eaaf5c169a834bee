#include "TestDatabase.h"

#include "services/database/Database.h"
#include "services/database/ReportDatabase.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace kema::test {
namespace {

// A SQL file of the source tree; empty when it cannot be read.
QString readSource(const QString& relative) {
    QFile file(QDir(QStringLiteral(KEMA_SOURCE_DIR)).filePath(relative));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) + u'\n' : QString();
}

Status failure(const QString& text) {
    return Error{0, u"TestDatabase"_s, text};
}

Status runProcess(const QString& program, const QStringList& arguments, const QByteArray& input) {
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        return failure(program + u" is missing (scripts/install-deps installs it)"_s);
    QProcess process;
    process.start(path, arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000))
        return failure(program + u" did not start or finish"_s);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return failure(program + u": "_s + QString::fromUtf8(process.readAllStandardError()));
    return Status::success();
}

// SQLite's CURRENT_DATE is UTC; the store keeps local time (as scripts/make-demo-db does).
const char kSqliteLocalToday[] =
    "UPDATE URECEPT SET RC_RECEPT_DT = date('now', 'localtime'), "
    "RC_RECEPT_TM = datetime('now', 'localtime');\n"
    "UPDATE CBASE SET CUBS_ENTRY_DT = date('now', 'localtime'), "
    "CUBS_LAST_VISIT_DT = date('now', 'localtime') WHERE CUBS_ENTRY_DT = CURRENT_DATE;\n";

// psql's connection to the server of an ODBC connection string's values, in `schema` when given.
QString psqlConnection(const QMap<QString, QString>& server, const QString& schema) {
    QString connection =
        u"host=%1 port=%2 dbname=%3 user=%4 password=%5 client_encoding=UTF8"_s.arg(
            server.value(u"SERVER"_s), server.value(u"PORT"_s), server.value(u"DATABASE"_s),
            server.value(u"UID"_s), server.value(u"PWD"_s));
    if (!schema.isEmpty())
        connection += u" options='-c search_path="_s + schema + u'\'';
    return connection;
}

Status runPsql(const QMap<QString, QString>& server, const QStringList& arguments,
               const QString& schema = {}, const QByteArray& input = {}) {
    return runProcess(u"psql"_s,
                      QStringList{u"-q"_s, u"-X"_s, u"-v"_s, u"ON_ERROR_STOP=1"_s,
                                  psqlConnection(server, schema)} +
                          arguments,
                      input);
}

} // namespace

QMap<QString, QString> connectionValues(const QString& connection) {
    QMap<QString, QString> values;
    for (const QString& part : connection.split(u';', Qt::SkipEmptyParts)) {
        const qsizetype eq = part.indexOf(u'=');
        if (eq > 0)
            values.insert(part.left(eq).trimmed().toUpper(), part.mid(eq + 1).trimmed());
    }
    return values;
}

QString serverConnection(const QMap<QString, QString>& changes) {
    QMap<QString, QString> values = connectionValues(qEnvironmentVariable("KEMA_TEST_PG"));
    values.insert(changes);
    QStringList parts;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        parts << it.key() + u'=' + it.value();
    return parts.join(u';');
}

bool servicesRequired() {
    return qEnvironmentVariable("KEMA_REQUIRE_SERVICES") == QLatin1String("1");
}

void addBackendRows() {
    QTest::addColumn<QString>("backend");
    for (const QString& backend : backends())
        QTest::newRow(qPrintable(backend)) << backend;
}

TestDatabase::TestDatabase(const QString& backend, Content content) : m_backend(backend) {
    if (backend == kSqlite) {
        m_connection =
            u"DRIVER=SQLite3;Database=%1"_s.arg(QDir(m_dir.path()).filePath(u"store.sqlite"_s));
    } else {
        const QString server = qEnvironmentVariable("KEMA_TEST_PG");
        if (server.isEmpty()) {
            m_unavailable = true;
            m_error = u"KEMA_TEST_PG is not set: no PostgreSQL server"_s;
            return;
        }
        m_pg = connectionValues(server);
        static int counter = 0;
        m_schema = u"kema_t_%1_%2_%3"_s.arg(QCoreApplication::applicationPid())
                       .arg(++counter)
                       .arg(QDateTime::currentMSecsSinceEpoch());
        if (Status st = runPsql(m_pg, {u"-c"_s, u"CREATE SCHEMA "_s + m_schema}); !st.ok()) {
            m_error = st.error().description;
            m_schema.clear();
            return;
        }
        m_connection = server + u";ConnSettings=SET search_path TO "_s + m_schema;
    }
    const bool demo = content == Content::Demo;
    const QString schemaSql = readSource(u"db/schema.sql"_s);
    const QString demoSql = demo ? readSource(u"db/demo.sql"_s) : QString();
    if (schemaSql.isEmpty() || (demo && demoSql.isEmpty())) {
        m_error = u"cannot read db/schema.sql or db/demo.sql"_s;
        return;
    }
    const QString today = demo && backend == kSqlite ? QString::fromLatin1(kSqliteLocalToday) : "";
    if (Status st = run(schemaSql + demoSql + today); !st.ok())
        m_error = st.error().description;
}

TestDatabase::~TestDatabase() {
    if (!m_schema.isEmpty())
        runPsql(m_pg, {u"-c"_s, u"DROP SCHEMA %1 CASCADE"_s.arg(m_schema)});
    if (m_settingsWritten)
        m_previousSettings ? qputenv("KEMA_SETTINGS", *m_previousSettings)
                           : qunsetenv("KEMA_SETTINGS");
}

std::unique_ptr<TestDatabase::TableLock> TestDatabase::lockTable(const QString& table) {
    auto lock = std::make_unique<TableLock>();
    QProcess* session = &lock->psql;
    if (!QTest::qVerify(!m_schema.isEmpty(), "PostgreSQL", "locks are the server's", __FILE__,
                        __LINE__))
        return nullptr;
    session->start(u"psql"_s, {u"-q"_s, u"-X"_s, psqlConnection(m_pg, m_schema)});
    session->write(
        u"BEGIN;\nLOCK TABLE %1 IN ACCESS EXCLUSIVE MODE;\n\\echo locked\n"_s.arg(table).toUtf8());
    while (!session->readAllStandardOutput().contains("locked"))
        if (!QTest::qVerify(session->waitForReadyRead(30000), "lock", qPrintable(table), __FILE__,
                            __LINE__))
            return nullptr;
    return lock;
}

QString withApplicationName(const QString& connection, const QString& application) {
    // The driver decodes %3B into the separator of the statements it runs after connecting.
    return connection + u"%3BSET application_name TO '"_s + application + u'\'';
}

int sessionsOnServer(const QString& application) {
    const auto count = [&] {
        db::Connection connection;
        if (!connection.open(qEnvironmentVariable("KEMA_TEST_PG")).ok())
            return -1;
        auto rs = connection.execute(
            u"SELECT COUNT(*) AS N FROM pg_stat_activity WHERE application_name = ?"_s,
            {application});
        auto n = rs.ok() ? rs.value().field(u"N"_s) : Result<QVariant>(rs.error());
        return n.ok() ? n.value().toInt() : -1;
    };
    int n = count();
    for (int i = 0; i < 40 && n > 0; ++i, n = count())
        QThread::msleep(50);
    return n;
}

Status TestDatabase::run(const QString& sql) {
    if (m_backend == kSqlite) {
        const QString file = QDir(m_dir.path()).filePath(u"store.sqlite"_s);
        return runProcess(u"sqlite3"_s, {u"-bail"_s, file}, sql.toUtf8());
    }
    if (m_schema.isEmpty())
        return failure(m_error);
    return runPsql(m_pg, {}, m_schema, sql.toUtf8());
}

void TestDatabase::writeSettings(const QMap<QString, QString>& values) {
    QMap<QString, QString> keys{{u"DBPARMS"_s, m_connection}};
    keys.insert(values);
    QString text = u"[NWLS\\Common]\n"_s;
    for (auto it = keys.constBegin(); it != keys.constEnd(); ++it)
        text += it.key() + u'=' + it.value() + u'\n';
    const QString path = QDir(m_dir.path()).filePath(u"settings.ini"_s);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(text.toUtf8());
    if (!m_settingsWritten) {
        m_settingsWritten = true;
        if (qEnvironmentVariableIsSet("KEMA_SETTINGS"))
            m_previousSettings = qgetenv("KEMA_SETTINGS");
    }
    qputenv("KEMA_SETTINGS", QFile::encodeName(path));
}

namespace {

class RecordingDisplay : public IMessageDisplay {
public:
    explicit RecordingDisplay(QList<RecordedMessage>& log) : m_log(log) {}

    long MSGDSP(const QString& code, const QVariant& argument, const QString& title) override {
        m_log.append({u"MSGDSP"_s, code, argument, title, {}, {}, m_error});
        return 0;
    }
    void setErrObject(const Error& error) override { m_error = error; }
    long DBERRDSP(const QString& code, const QList<db::DbError>& errors, const QVariant& argument,
                  const QString& title) override {
        RecordedMessage m{u"DBERRDSP"_s, code, argument, title, {}, {}, m_error};
        for (const db::DbError& e : errors) {
            m.errorTexts << e.description;
            m.sqlStates << e.sqlState;
        }
        m_log.append(m);
        return 0;
    }

private:
    QList<RecordedMessage>& m_log;
    std::optional<Error> m_error;
};

} // namespace

MessageRecorder::MessageRecorder() {
    ComponentRegistry::instance().registerMessageDisplay(
        u"RVB520.RVB520C1"_s, [this] { return std::make_unique<RecordingDisplay>(m_messages); });
}

MessageRecorder::~MessageRecorder() {
    ComponentRegistry::instance().reset();
}

QStringList MessageRecorder::codes() const {
    QStringList codes;
    for (const RecordedMessage& m : m_messages)
        codes << m.code;
    return codes;
}

MessageBoxRecorder::MessageBoxRecorder() {
    setPlatformMessageBoxHandler([this](const QString& text, const QString& title) {
        m_boxes.append({text, title});
    });
}

MessageBoxRecorder::~MessageBoxRecorder() {
    setPlatformMessageBoxHandler({});
}

StderrCapture::StderrCapture() {
    std::fflush(stderr);
    m_file = std::tmpfile();
    if (!m_file)
        return;
    m_saved = dup(STDERR_FILENO);
    dup2(fileno(m_file), STDERR_FILENO);
}

StderrCapture::~StderrCapture() {
    text();
    if (m_file)
        std::fclose(m_file);
}

QString StderrCapture::text() {
    if (!m_file)
        return {};
    if (m_saved >= 0) {
        std::fflush(stderr);
        dup2(m_saved, STDERR_FILENO);
        close(m_saved);
        m_saved = -1;
    }
    std::rewind(m_file);
    QFile file;
    return file.open(m_file, QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace kema::test
