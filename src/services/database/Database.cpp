#include "services/database/Database.h"
#include "services/text/Conversions.h"
#include "services/text/Decimal.h"

#include <QAtomicInteger>
#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>

#include <cmath>

#include <sql.h>
#include <sqlext.h>

namespace kema::db {
namespace {

// ADO's numbers for the errors a closed object or a missing row raised there.
constexpr long kObjectClosed = 3704;
constexpr long kConnectionClosed = 3709;
constexpr long kNoCurrentRecord = 3021;
constexpr long kItemNotFound = 3265;

const QString kSource = QStringLiteral("QODBC");

Error makeError(long number, const QString& description) {
    return Error{number, kSource, description};
}

QString fromWide(const SQLWCHAR* text, qsizetype length) {
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text), length);
}

// Every diagnostic record of an ODBC handle, in the driver's order.
QList<DbError> diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
    QList<DbError> records;
    if (!handle)
        return records;
    for (SQLSMALLINT i = 1;; ++i) {
        SQLWCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        SQLRETURN r = SQLGetDiagRecW(type, handle, i, state, &native, nullptr, 0, &length);
        if (!SQL_SUCCEEDED(r))
            break;
        QList<SQLWCHAR> text(length + 1);
        r = SQLGetDiagRecW(type, handle, i, state, &native, text.data(), SQLSMALLINT(text.size()),
                           &length);
        if (!SQL_SUCCEEDED(r))
            break;
        records.append(DbError{long(native), fromWide(state, SQL_SQLSTATE_SIZE), kSource,
                               fromWide(text.constData(), qMin<qsizetype>(length, text.size()))});
    }
    return records;
}

SQLHANDLE odbcHandle(const QVariant& handle) {
    if (handle.metaType() != QMetaType::fromType<void*>())
        return nullptr;
    return *static_cast<void* const*>(handle.constData());
}

// What Qt's ODBC driver is given and what the driver manager then receives.
struct DriverStrings {
    QString databaseName;
    QString connectionString;
};

// Qt's ODBC driver rewrites what it is given: a text naming ".dsn" anywhere gets "FILEDSN="
// in front, one without "DRIVER=" or "SERVER=" gets "DSN=". This finds the name to hand it so
// that the driver manager receives `connectionString` as written; a bare word stays a data
// source name, as ADO read it. Nothing when no name does.
std::optional<DriverStrings> driverStrings(const QString& connectionString) {
    const auto startsWith = [&](QLatin1StringView keyword) {
        return connectionString.startsWith(keyword, Qt::CaseInsensitive);
    };
    const auto unchanged = [&](qsizetype prefix) {
        return DriverStrings{connectionString.mid(prefix), connectionString};
    };
    if (connectionString.contains(QLatin1StringView(".dsn"), Qt::CaseInsensitive)) {
        const QLatin1StringView fileDsn("FILEDSN=");
        if (startsWith(fileDsn))
            return unchanged(fileDsn.size());
        return std::nullopt;
    }
    if (connectionString.contains(QLatin1StringView("DRIVER="), Qt::CaseInsensitive) ||
        connectionString.contains(QLatin1StringView("SERVER="), Qt::CaseInsensitive))
        return unchanged(0);
    const QLatin1StringView dsn("DSN=");
    if (startsWith(dsn))
        return unchanged(dsn.size());
    if (!connectionString.contains(u'='))
        return DriverStrings{connectionString, dsn + connectionString};
    return std::nullopt;
}

// Qt drops the SQLSTATE and frees the handle of a connection that failed to open. The attempt is
// repeated on handles of our own, only to read the driver's diagnostic records.
QList<DbError> connectDiagnostics(const QString& connectionString) {
    SQLHENV env = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
        return {};
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    QList<DbError> records;
    SQLHDBC dbc = SQL_NULL_HDBC;
    if (SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc))) {
        QList<SQLWCHAR> text(connectionString.size() + 1);
        std::copy(connectionString.utf16(), connectionString.utf16() + connectionString.size(),
                  text.begin());
        SQLWCHAR out[1024];
        SQLSMALLINT outLength = 0;
        const SQLRETURN r =
            SQLDriverConnectW(dbc, nullptr, text.data(), SQLSMALLINT(connectionString.size()), out,
                              SQLSMALLINT(std::size(out)), &outLength, SQL_DRIVER_NOPROMPT);
        records = diagnostics(SQL_HANDLE_DBC, dbc);
        if (SQL_SUCCEEDED(r))
            SQLDisconnect(dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    }
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return records;
}

// The records Qt's error keeps when the driver's own are gone.
QList<DbError> fromQtError(const QSqlError& error) {
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return {DbError{error.nativeErrorCode().toLong(), QString(), kSource, text}};
}

// The first record makes the error; the description names every record.
Error errorOf(const QList<DbError>& records) {
    QStringList texts;
    for (const DbError& e : records)
        texts << (e.sqlState.isEmpty() ? e.description
                                       : QStringLiteral("[%1] %2").arg(e.sqlState, e.description));
    return makeError(records.isEmpty() ? 0 : records.first().nativeError,
                     texts.join(QLatin1Char('\n')));
}

// One Qt type per kind of value, whatever the driver: integers up to 32 bits as int, wider ones
// as qlonglong, floating and exact numerics as double; Null as an invalid QVariant.
QVariant canonical(const QVariant& value) {
    if (value.isNull())
        return QVariant();
    switch (value.metaType().id()) {
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return value.toInt();
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
        return value.toLongLong();
    case QMetaType::Float:
        // Widening would print 1.1f as 1.10000002384186; the float's own digits are its value.
        return text::numberTextToDouble(kema::DecimalText(value.toFloat()));
    default:
        return value;
    }
}

// A bound value in a type Qt's ODBC driver binds natively. A whole double goes as an integer:
// the PostgreSQL driver sends a double as its text ("1e+15"), which an integer column refuses.
// A moment goes as the text SQLite stores ("2024-03-09 14:05:30"; its driver would add
// ".000"), which PostgreSQL reads as a timestamp.
QVariant bindable(const QVariant& value) {
    const QVariant v = canonical(value);
    if (v.metaType() == QMetaType::fromType<QDateTime>()) {
        const QDateTime moment = v.toDateTime();
        return moment.toString(moment.time().msec() == 0
                                   ? QStringLiteral("yyyy-MM-dd hh:mm:ss")
                                   : QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    }
    if (v.metaType() == QMetaType::fromType<double>()) {
        const double d = v.toDouble();
        constexpr double kExact = 9007199254740992.0; // 2^53
        if (std::trunc(d) == d && std::fabs(d) <= kExact)
            return qlonglong(d);
    }
    return v;
}

QString nextConnectionName() {
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("kema-db-%1").arg(++counter);
}

} // namespace

void Recordset::close() {
    m_open = false;
    m_names.clear();
    m_rows.clear();
    m_pos = 0;
}

int Recordset::recordCount() const {
    return int(m_rows.size());
}

bool Recordset::atEnd() const {
    return m_pos >= int(m_rows.size());
}

bool Recordset::atBegin() const {
    return m_rows.empty();
}

void Recordset::moveNext() {
    if (!atEnd())
        ++m_pos;
}

bool Recordset::hasField(const QString& name) const {
    return m_names.contains(name, Qt::CaseInsensitive);
}

Result<QVariant> Recordset::field(const QString& name) const {
    if (!m_open)
        return makeError(kObjectClosed, QStringLiteral("Operation is not allowed when the object "
                                                       "is closed."));
    qsizetype column = 0;
    while (column < m_names.size() && m_names[column].compare(name, Qt::CaseInsensitive) != 0)
        ++column;
    if (column == m_names.size())
        return makeError(kItemNotFound, QStringLiteral("Item cannot be found in the collection "
                                                       "corresponding to the requested name: %1")
                                            .arg(name));
    if (atEnd())
        return makeError(kNoCurrentRecord,
                         QStringLiteral("Either BOF or EOF is True, or the current record has "
                                        "been deleted. Requested operation requires a current "
                                        "record."));
    return m_rows[size_t(m_pos)].at(column);
}

namespace {

class Releasable {
public:
    virtual void release() = 0;

protected:
    ~Releasable() = default;
};

// Qt keeps its connections in a global of its own, which goes before a connection that another
// global holds (a host's lent connection left in the shared request state). This registry is
// first used after that global exists, so it goes first and closes what is still open.
class LiveConnections {
public:
    static LiveConnections& instance() {
        static LiveConnections live;
        return live;
    }
    ~LiveConnections() {
        const QList<Releasable*> open = m_open;
        for (Releasable* connection : open)
            connection->release();
    }
    void add(Releasable* connection) { m_open.append(connection); }
    void remove(Releasable* connection) { m_open.removeOne(connection); }

private:
    QList<Releasable*> m_open;
};

} // namespace

struct Connection::Private : Releasable {
    QString name;
    QString connectionString;
    QSqlDatabase database;
    QList<DbError> errors;

    void release() override;

    Error fail(QList<DbError> records) {
        errors = std::move(records);
        return errorOf(errors);
    }
    // The statement's records, else the connection's, else what Qt kept.
    Error failStatement(const QSqlQuery& query) {
        QList<DbError> records = diagnostics(SQL_HANDLE_STMT, odbcHandle(query.result()->handle()));
        if (records.isEmpty())
            records = diagnostics(SQL_HANDLE_DBC, odbcHandle(database.driver()->handle()));
        if (records.isEmpty())
            records = fromQtError(query.lastError());
        return fail(std::move(records));
    }
};

void Connection::Private::release() {
    if (name.isEmpty())
        return;
    database.close();
    database = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
    name.clear();
    LiveConnections::instance().remove(this);
}

Connection::Connection() : d(std::make_unique<Private>()) {}

Connection::~Connection() {
    close();
}

Status Connection::open(const QString& connectionString) {
    close();
    d->connectionString = connectionString;
    // The driver manager would fall back to a default data source.
    if (connectionString.trimmed().isEmpty()) {
        return d->fail({DbError{0, QStringLiteral("IM002"), kSource,
                                QStringLiteral("The connection string is empty")}});
    }
    const std::optional<DriverStrings> strings = driverStrings(connectionString);
    if (!strings) {
        return d->fail({DbError{0, QStringLiteral("01S00"), kSource,
                                QStringLiteral("The connection string cannot reach the ODBC "
                                               "driver unchanged through Qt: %1")
                                    .arg(connectionString)}});
    }
    d->name = nextConnectionName();
    d->database = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), d->name);
    LiveConnections::instance().add(d.get());
    if (!d->database.isValid()) {
        close();
        return d->fail({DbError{0, QStringLiteral("IM003"), kSource,
                                QStringLiteral("Qt's ODBC driver (QODBC) is not available")}});
    }
    d->database.setDatabaseName(strings->databaseName);
    if (!d->database.open()) {
        const QSqlError qtError = d->database.lastError();
        close();
        QList<DbError> records = connectDiagnostics(strings->connectionString);
        return d->fail(records.isEmpty() ? fromQtError(qtError) : records);
    }
    d->errors.clear();
    return Status::success();
}

void Connection::close() {
    d->release();
}

bool Connection::isOpen() const {
    return !d->name.isEmpty() && d->database.isOpen();
}

QString Connection::connectionString() const {
    return d->connectionString;
}

Result<Recordset> Connection::execute(const QString& sql, const QVariantList& params) {
    if (!isOpen()) {
        d->errors.clear();
        return makeError(kConnectionClosed,
                         QStringLiteral("The connection cannot be used to perform this operation. "
                                        "It is either closed or invalid in this context."));
    }
    QSqlQuery query(d->database);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        return d->failStatement(query);
    for (const QVariant& value : params)
        query.addBindValue(bindable(value));
    if (!query.exec())
        return d->failStatement(query);
    Recordset rs;
    rs.m_open = true;
    if (query.isSelect()) {
        const QSqlRecord record = query.record();
        const int columns = record.count();
        for (int i = 0; i < columns; ++i)
            rs.m_names << record.fieldName(i);
        while (query.next()) {
            QVariantList row;
            row.reserve(columns);
            for (int i = 0; i < columns; ++i)
                row << canonical(query.value(i));
            rs.m_rows.push_back(std::move(row));
        }
        if (query.lastError().isValid())
            return d->failStatement(query);
    }
    d->errors.clear();
    return rs;
}

QList<DbError> Connection::errors() const {
    return d->errors;
}

} // namespace kema::db
