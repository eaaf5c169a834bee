#pragma once

#include "../Error.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <vector>

namespace kema::db {

// A client-side recordset: every row is buffered when the statement runs, so the record count,
// EOF and BOF are known at once and the statement's cursor is released immediately.
// Field values keep the driver's type; SQL NULL is a null QVariant (isNull() true).
class Recordset {
public:
    Recordset() = default;

    bool isOpen() const { return m_open; }
    void close();

    int recordCount() const;
    bool atEnd() const;   // EOF: no current row after the last one (or no rows)
    bool atBegin() const; // BOF: no current row before the first one (only when empty)
    void moveNext();

    QStringList fieldNames() const { return m_names; }
    bool hasField(const QString& name) const; // without regard to case
    // The named column of the current row. A name the statement did not select, or reading
    // past the end, is an error (the platform raised one there too).
    Result<QVariant> field(const QString& name) const;

private:
    friend class Connection;
    bool m_open = false;
    QStringList m_names;
    std::vector<QVariantList> m_rows;
    int m_pos = 0;
};

// A connection through the ODBC driver manager on handles of its own: the connection string
// reaches SQLDriverConnectW as written (a bare word is a data source name). Not copyable;
// shared between a report and its recordsets through shared_ptr.
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // One login; a refusal carries the records of that attempt, passwords masked.
    Status open(const QString& connectionString);
    void close();
    bool isOpen() const;
    QString connectionString() const;

    // Runs one statement with its values bound as parameters (positional '?') and buffers the
    // rows. A statement the server rejects is an error, never an empty recordset.
    Result<Recordset> execute(const QString& sql, const QVariantList& params = {});

    // The error collection of the last failed operation on this connection (empty after success).
    QList<DbError> errors() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

using ConnectionPtr = std::shared_ptr<Connection>;

// How many connections of this process are open now.
int openConnectionCount();

// The connection string (or a text quoting one) with the values of PWD and PASSWORD, in any
// case and braced or not, replaced by "***": what a message or a log line may show of it.
QString maskedConnectionString(const QString& text);

} // namespace kema::db
