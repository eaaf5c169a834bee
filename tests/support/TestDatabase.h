#pragma once

// A fresh store database per test, in a temporary SQLite file or in a new schema of the
// PostgreSQL server of KEMA_TEST_PG, loaded with the sqlite3 and psql programs so that a test's
// rows never depend on the code under test. Without KEMA_TEST_PG the postgres rows skip, or fail
// when KEMA_REQUIRE_SERVICES=1.

#include "services/Error.h"
#include "services/components/Components.h"

#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <memory>
#include <optional>

namespace kema::test {

inline const QString kSqlite = QStringLiteral("sqlite");
inline const QString kPostgres = QStringLiteral("postgres");

// Values of an ODBC connection string, keys upper-cased.
QMap<QString, QString> connectionValues(const QString& connection);

// The test PostgreSQL server's connection string (KEMA_TEST_PG) with `changes` to its values.
QString serverConnection(const QMap<QString, QString>& changes);

bool servicesRequired();
// The error's text for a test message; empty on success (QVERIFY2 evaluates it either way).
inline QString failureText(const Status& status) {
    return status.ok() ? QString() : status.error().messageBoxText();
}
template <class T> QString failureText(const Result<T>& result) {
    return failureText(result.status());
}
// The column "backend" of a data function and the rows "sqlite" and "postgres".
void addBackendRows();
inline QStringList backends() {
    return {kSqlite, kPostgres};
}

// A PostgreSQL connection string whose sessions carry `application` as application_name.
QString withApplicationName(const QString& connection, const QString& application);
// The sessions of `application` on the test server once none is left, or after two seconds (the
// server counts a disconnection a moment later); -1 when it cannot be asked.
int sessionsOnServer(const QString& application);

class TestDatabase {
public:
    enum class Content { Schema, Demo }; // db/schema.sql, and db/demo.sql after it

    explicit TestDatabase(const QString& backend, Content content = Content::Demo);
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    bool unavailable() const { return m_unavailable; } // no server to use
    bool isValid() const { return !m_unavailable && m_error.isEmpty(); }
    QString error() const { return m_error; }
    QString connectionString() const { return m_connection; } // as DBPARMS holds it
    // Runs SQL text (any number of statements) through the backend's own client.
    Status run(const QString& sql);
    // An exclusive lock on `table`, held by a session of its own until the returned process is
    // destroyed (PostgreSQL); nullptr after a failed check.
    struct TableLock {
        QProcess psql;
        ~TableLock() {
            psql.closeWriteChannel();
            psql.waitForFinished(30000);
        }
    };
    std::unique_ptr<TableLock> lockTable(const QString& table);
    // Writes [NWLS\Common] with DBPARMS=connectionString() and `values` (which may replace it)
    // and points KEMA_SETTINGS at the file until destruction.
    void writeSettings(const QMap<QString, QString>& values = {});

private:
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

// Skips (fails under KEMA_REQUIRE_SERVICES=1) without a server; fails when the database could
// not be built.
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
    QStringList errorTexts; // DBERRDSP: the error collection's descriptions and SQLSTATEs
    QStringList sqlStates;
    std::optional<Error> errObject; // set before the call
};

// Registers itself as RVB520.RVB520C1; restores the default components when destroyed.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
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

// The platform message box while the object lives.
class MessageBoxRecorder {
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    const QList<RecordedBox>& boxes() const { return m_boxes; }
    void clear() { m_boxes.clear(); }

private:
    QList<RecordedBox> m_boxes;
};

// What the process writes to standard error while the object lives.
class StderrCapture {
public:
    StderrCapture();
    ~StderrCapture();
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;
    QString text(); // ends the capture

private:
    int m_saved = -1;
    std::FILE* m_file = nullptr;
};

} // namespace kema::test
