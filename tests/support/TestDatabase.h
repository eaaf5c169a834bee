#pragma once

// What the database, component, slip and card tests share (target kema_testsupport).
//
// A test that runs on both backends:
//
//     void MyTest::reads_data() { kema::test::addBackendRows(); }
//     void MyTest::reads() {
//         QFETCH(QString, backend);
//         kema::test::TestDatabase db(backend);           // schema + demo rows
//         KEMA_REQUIRE_DATABASE(db);                       // skip / fail / verify
//         QVERIFY(db.run("INSERT INTO MSTORE ...").ok());  // the test's own rows
//         db.writeSettings();                              // KEMA_SETTINGS -> DBPARMS of db
//         ...
//     }
//
// SQLite: a temporary file opened as "DRIVER=SQLite3;Database=<file>". PostgreSQL: a fresh
// schema in the server of KEMA_TEST_PG (an ODBC connection string), reached through
// "ConnSettings=SET search_path TO <schema>" and dropped with the object. Without KEMA_TEST_PG
// the postgres row skips, or fails when KEMA_REQUIRE_SERVICES=1. SQL text is loaded with the
// sqlite3 and psql programs, so a test's rows never depend on the code under test.
//
// MessageRecorder and MessageBoxRecorder replace the message component and the platform
// message box for their lifetime and keep what was shown; StderrCapture collects the lines the
// default ones write when no one can answer a box.

#include "services/Error.h"
#include "services/components/Components.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QVariant>

#include <cstdio>
#include <optional>

namespace kema::test {

inline const QString kSqlite = QStringLiteral("sqlite");
inline const QString kPostgres = QStringLiteral("postgres");

bool servicesRequired();
// The error's text for a test message; empty when there is none (QVERIFY2 evaluates its
// message whatever the outcome).
inline QString failureText(const Status& status) {
    return status.ok() ? QString() : status.error().messageBoxText();
}
template <class T> QString failureText(const Result<T>& result) {
    return failureText(result.status());
}
// The column "backend" of a data function.
void addBackendColumn();
// The column "backend" and the rows "sqlite" and "postgres".
void addBackendRows();
inline QStringList backends() {
    return {kSqlite, kPostgres};
}

// Values of an ODBC connection string, keys upper-cased.
QMap<QString, QString> connectionValues(const QString& connection);
// Runs psql on the server of an ODBC connection string's values (SERVER, PORT, DATABASE, UID,
// PWD), in `schema` when it is not empty; a failure carries psql's error text.
Status runPsql(const QMap<QString, QString>& server, const QStringList& arguments,
               const QString& schema = {});

class TestDatabase {
public:
    enum class Content { Schema, Demo };

    explicit TestDatabase(const QString& backend, Content content = Content::Demo);
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    // No server to use (postgres without KEMA_TEST_PG).
    bool unavailable() const { return m_unavailable; }
    bool isValid() const { return !m_unavailable && m_error.isEmpty(); }
    QString error() const { return m_error; }

    QString backend() const { return m_backend; }
    // The ODBC connection string of this database, as DBPARMS holds it.
    QString connectionString() const { return m_connection; }
    // Runs SQL text (any number of statements) through the backend's own client.
    Status run(const QString& sql);
    // Writes a settings file whose [NWLS\Common] holds DBPARMS=connectionString() and `values`
    // (which may replace it), and points KEMA_SETTINGS at it until destruction.
    QString writeSettings(const QMap<QString, QString>& values = {});

private:
    Status runFile(const QString& path);

    QString m_backend;
    QTemporaryDir m_dir;
    QString m_connection;
    QString m_error;
    bool m_unavailable = false;
    QString m_schema;
    QMap<QString, QString> m_pg;
    std::optional<QByteArray> m_previousSettings;
    bool m_settingsWritten = false;
};

// Skips (or, with KEMA_REQUIRE_SERVICES=1, fails) without a server, fails when the database
// could not be built.
#define KEMA_REQUIRE_DATABASE(db)                                                                  \
    do {                                                                                           \
        if ((db).unavailable()) {                                                                  \
            if (kema::test::servicesRequired())                                                    \
                QFAIL(qPrintable((db).error() + QStringLiteral(" but KEMA_REQUIRE_SERVICES=1")));  \
            QSKIP(qPrintable((db).error()));                                                       \
        }                                                                                          \
        QVERIFY2((db).isValid(), qPrintable((db).error()));                                        \
    } while (false)

struct RecordedMessage {
    QString member; // "MSGDSP" or "DBERRDSP"
    QString code;
    QVariant argument;
    QString title;
    // DBERRDSP: the error collection's descriptions and SQLSTATEs.
    QStringList errorTexts;
    QStringList sqlStates;
    // The ErrObject set before the call.
    std::optional<Error> errObject;
};

class MessageRecorder {
public:
    MessageRecorder();  // registers itself as RVB520.RVB520C1
    ~MessageRecorder(); // restores the default components
    const QList<RecordedMessage>& messages() const { return m_messages; }
    QStringList codes() const;
    void clear() { m_messages.clear(); }

private:
    QList<RecordedMessage> m_messages;
};

struct RecordedBox {
    QString text;
    QString title;
};

class MessageBoxRecorder {
public:
    MessageBoxRecorder();  // installs itself as the platform message box
    ~MessageBoxRecorder(); // restores the default
    const QList<RecordedBox>& boxes() const { return m_boxes; }
    void clear() { m_boxes.clear(); }

private:
    QList<RecordedBox> m_boxes;
};

// Collects what the process writes to standard error while the object lives.
class StderrCapture {
public:
    StderrCapture();
    ~StderrCapture();
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;
    // Ends the capture and gives the text written.
    QString text();

private:
    void restore();
    int m_saved = -1;
    std::FILE* m_file = nullptr;
};

} // namespace kema::test
