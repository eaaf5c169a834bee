#include "services/database/Database.h"
#include "services/ErrorNumbers.h"
#include "services/text/Conversions.h"
#include "services/text/Decimal.h"

#include <QDateTime>

#include <atomic>
#include <cmath>
#include <optional>

#include <sql.h>
#include <sqlext.h>

namespace kema::db {
namespace {

// The source the store's messages have always named for database errors.
const QString kSource = QStringLiteral("QODBC");

std::atomic<int> openConnections{0};

Error makeError(long number, const QString& description) {
    return Error{number, kSource, description};
}

// The driver manager takes UTF-16 code units.
static_assert(sizeof(SQLWCHAR) == sizeof(char16_t));

SQLWCHAR* wide(const QString& text) {
    return const_cast<SQLWCHAR*>(reinterpret_cast<const SQLWCHAR*>(text.utf16()));
}

QString fromWide(const SQLWCHAR* text, qsizetype length) {
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text), length);
}

template <SQLSMALLINT Type> struct FreeHandle {
    void operator()(SQLHANDLE handle) const { SQLFreeHandle(Type, handle); }
};
template <SQLSMALLINT Type> using Handle = std::unique_ptr<void, FreeHandle<Type>>;

template <SQLSMALLINT Type> Handle<Type> allocate(SQLHANDLE parent) {
    SQLHANDLE handle = SQL_NULL_HANDLE;
    if (!SQL_SUCCEEDED(SQLAllocHandle(Type, parent, &handle)))
        return {};
    return Handle<Type>(handle);
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

// The records, or one saying that there were none: a failure always has a record.
QList<DbError> orUnexplained(QList<DbError> records) {
    if (records.isEmpty())
        records.append(DbError{0, QStringLiteral("HY000"), kSource,
                               QStringLiteral("The ODBC driver failed without a diagnostic "
                                              "record")});
    return records;
}

// The first record makes the error; the description names every record.
Error errorOf(const QList<DbError>& records) {
    QStringList texts;
    for (const DbError& e : records)
        texts << e.text();
    return makeError(records.isEmpty() ? 0 : records.first().nativeError,
                     texts.join(QLatin1Char('\n')));
}

// A float's own digits are its value: widening would print 1.1f as 1.10000002384186.
double floatValue(float value) {
    return text::numberTextToDouble(kema::DecimalText(value));
}

// A whole double goes as an integer: the PostgreSQL driver sends a double as its text
// ("1e+15"), which an integer column refuses. A moment goes as the text SQLite stores
// ("2024-03-09 14:05:30"), which PostgreSQL reads as a timestamp. Integers up to 32 bits go
// as int, wider ones as qlonglong, a float as its own digits.
QVariant bindable(const QVariant& value) {
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
        return bindable(floatValue(value.toFloat()));
    case QMetaType::QDateTime: {
        const QDateTime moment = value.toDateTime();
        return moment.toString(moment.time().msec() == 0
                                   ? QStringLiteral("yyyy-MM-dd hh:mm:ss")
                                   : QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    }
    case QMetaType::Double: {
        const double d = value.toDouble();
        constexpr double kExact = 9007199254740992.0; // 2^53
        if (std::trunc(d) == d && std::fabs(d) <= kExact)
            return qlonglong(d);
        return d;
    }
    default:
        return value;
    }
}

// A bound value and the buffers the statement reads it from until it has run.
struct Parameter {
    union {
        SQLINTEGER integer;
        SQLBIGINT bigint;
        SQLDOUBLE real;
        SQLCHAR bit;
        SQL_DATE_STRUCT date;
        SQL_TIME_STRUCT time;
    } fixed{};
    QString text;
    QByteArray bytes;
    SQLLEN indicator = 0;
};

SQLRETURN bind(SQLHSTMT statement, SQLUSMALLINT number, const QVariant& value, Parameter& p) {
    const auto bindAs = [&](SQLSMALLINT cType, SQLSMALLINT sqlType, SQLULEN size, void* data,
                            SQLLEN length) {
        return SQLBindParameter(statement, number, SQL_PARAM_INPUT, cType, sqlType, size, 0, data,
                                length, &p.indicator);
    };
    if (value.isNull()) {
        p.indicator = SQL_NULL_DATA;
        return bindAs(SQL_C_WCHAR, SQL_WVARCHAR, 1, nullptr, 0);
    }
    switch (value.metaType().id()) {
    case QMetaType::Int:
        p.fixed.integer = value.toInt();
        return bindAs(SQL_C_SLONG, SQL_INTEGER, 0, &p.fixed.integer, 0);
    case QMetaType::LongLong:
        p.fixed.bigint = value.toLongLong();
        return bindAs(SQL_C_SBIGINT, SQL_BIGINT, 0, &p.fixed.bigint, 0);
    case QMetaType::Double:
        p.fixed.real = value.toDouble();
        return bindAs(SQL_C_DOUBLE, SQL_DOUBLE, 0, &p.fixed.real, 0);
    case QMetaType::Bool:
        p.fixed.bit = value.toBool() ? 1 : 0;
        return bindAs(SQL_C_BIT, SQL_BIT, 0, &p.fixed.bit, 0);
    case QMetaType::QDate: {
        const QDate date = value.toDate();
        p.fixed.date = {SQLSMALLINT(date.year()), SQLUSMALLINT(date.month()),
                        SQLUSMALLINT(date.day())};
        return bindAs(SQL_C_TYPE_DATE, SQL_TYPE_DATE, 0, &p.fixed.date, 0);
    }
    case QMetaType::QTime: {
        const QTime time = value.toTime();
        p.fixed.time = {SQLUSMALLINT(time.hour()), SQLUSMALLINT(time.minute()),
                        SQLUSMALLINT(time.second())};
        return bindAs(SQL_C_TYPE_TIME, SQL_TYPE_TIME, 0, &p.fixed.time, 0);
    }
    case QMetaType::QByteArray:
        p.bytes = value.toByteArray();
        p.indicator = SQLLEN(p.bytes.size());
        return bindAs(SQL_C_BINARY, SQL_VARBINARY, SQLULEN(qMax<qsizetype>(1, p.bytes.size())),
                      p.bytes.data(), p.indicator);
    default:
        p.text = value.toString();
        p.indicator = SQLLEN(p.text.size() * sizeof(SQLWCHAR));
        return bindAs(SQL_C_WCHAR, SQL_WVARCHAR, SQLULEN(qMax<qsizetype>(1, p.text.size())),
                      wide(p.text), p.indicator);
    }
}

struct Column {
    QString name;
    SQLSMALLINT type = 0;
    bool isUnsigned = false;
};

std::optional<Column> describe(SQLHSTMT statement, SQLUSMALLINT number) {
    Column column;
    QList<SQLWCHAR> name(128);
    for (;;) {
        SQLSMALLINT length = 0;
        SQLULEN size = 0;
        SQLSMALLINT digits = 0;
        SQLSMALLINT nullable = 0;
        if (!SQL_SUCCEEDED(SQLDescribeColW(statement, number, name.data(), SQLSMALLINT(name.size()),
                                           &length, &column.type, &size, &digits, &nullable)))
            return std::nullopt;
        if (length < name.size()) {
            column.name = fromWide(name.constData(), length);
            break;
        }
        name.resize(length + 1);
    }
    SQLLEN isUnsigned = SQL_FALSE;
    if (column.type == SQL_INTEGER &&
        SQL_SUCCEEDED(SQLColAttributeW(statement, number, SQL_DESC_UNSIGNED, nullptr, 0, nullptr,
                                       &isUnsigned)))
        column.isUnsigned = isUnsigned == SQL_TRUE;
    return column;
}

// A value of any length, read in pieces of one buffer each; nothing on an error, and `null`
// set for Null.
std::optional<QByteArray> readPieces(SQLHSTMT statement, SQLUSMALLINT number, SQLSMALLINT cType,
                                     bool& null) {
    // Text pieces end in a terminator that is not part of the value.
    const SQLLEN terminator = cType == SQL_C_WCHAR ? SQLLEN(sizeof(SQLWCHAR)) : 0;
    char piece[8192];
    QByteArray value;
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN r = SQLGetData(statement, number, cType, piece, sizeof piece, &indicator);
        if (r == SQL_NO_DATA)
            break;
        if (!SQL_SUCCEEDED(r))
            return std::nullopt;
        if (indicator == SQL_NULL_DATA) {
            null = true;
            return value;
        }
        const SQLLEN room = SQLLEN(sizeof piece) - terminator;
        value.append(piece, indicator == SQL_NO_TOTAL || indicator > room ? room : indicator);
        if (r == SQL_SUCCESS)
            break;
    }
    return value;
}

// A fixed-size value; nothing on an error, and `null` set for Null.
template <class T>
std::optional<T> readFixed(SQLHSTMT statement, SQLUSMALLINT number, SQLSMALLINT cType, bool& null) {
    T value{};
    SQLLEN indicator = 0;
    if (!SQL_SUCCEEDED(SQLGetData(statement, number, cType, &value, sizeof value, &indicator)))
        return std::nullopt;
    null = indicator == SQL_NULL_DATA;
    return value;
}

// One Qt type per kind of value, whatever the driver: integers up to 32 bits as int, wider ones
// as qlonglong, floating and exact numerics as double; Null as an invalid QVariant. Nothing on
// an error.
std::optional<QVariant> read(SQLHSTMT statement, SQLUSMALLINT number, const Column& column) {
    bool null = false;
    const auto value = [&null](const auto& read, const auto& convert) -> std::optional<QVariant> {
        if (!read)
            return std::nullopt;
        return null ? QVariant() : QVariant(convert(*read));
    };
    const auto same = [](const auto& v) { return v; };
    switch (column.type) {
    case SQL_BIT:
    case SQL_TINYINT:
    case SQL_SMALLINT:
        return value(readFixed<SQLINTEGER>(statement, number, SQL_C_SLONG, null),
                     [](SQLINTEGER v) { return int(v); });
    case SQL_INTEGER:
        if (!column.isUnsigned)
            return value(readFixed<SQLINTEGER>(statement, number, SQL_C_SLONG, null),
                         [](SQLINTEGER v) { return int(v); });
        [[fallthrough]];
    case SQL_BIGINT:
        return value(readFixed<SQLBIGINT>(statement, number, SQL_C_SBIGINT, null),
                     [](SQLBIGINT v) { return qlonglong(v); });
    case SQL_REAL:
        return value(readFixed<SQLREAL>(statement, number, SQL_C_FLOAT, null), floatValue);
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_DECIMAL:
    case SQL_NUMERIC:
        return value(readFixed<SQLDOUBLE>(statement, number, SQL_C_DOUBLE, null), same);
    case SQL_DATE:
    case SQL_TYPE_DATE:
        return value(readFixed<SQL_DATE_STRUCT>(statement, number, SQL_C_TYPE_DATE, null),
                     [](const SQL_DATE_STRUCT& d) { return QDate(d.year, d.month, d.day); });
    case SQL_TIME:
    case SQL_TYPE_TIME:
        return value(readFixed<SQL_TIME_STRUCT>(statement, number, SQL_C_TYPE_TIME, null),
                     [](const SQL_TIME_STRUCT& t) { return QTime(t.hour, t.minute, t.second); });
    case SQL_TIMESTAMP:
    case SQL_TYPE_TIMESTAMP:
        return value(readFixed<SQL_TIMESTAMP_STRUCT>(statement, number, SQL_C_TYPE_TIMESTAMP, null),
                     [](const SQL_TIMESTAMP_STRUCT& t) {
                         // The fraction is in nanoseconds.
                         return QDateTime(
                             QDate(t.year, t.month, t.day),
                             QTime(t.hour, t.minute, t.second, int(t.fraction / 1000000)));
                     });
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR:
    case SQL_GUID:
        return value(readPieces(statement, number, SQL_C_WCHAR, null), [](const QByteArray& b) {
            return fromWide(reinterpret_cast<const SQLWCHAR*>(b.constData()),
                            b.size() / qsizetype(sizeof(SQLWCHAR)));
        });
    default:
        return value(readPieces(statement, number, SQL_C_BINARY, null), same);
    }
}

bool isSecretKey(QStringView key) {
    return key.compare(QLatin1StringView("PWD"), Qt::CaseInsensitive) == 0 ||
           key.compare(QLatin1StringView("PASSWORD"), Qt::CaseInsensitive) == 0;
}

} // namespace

int openConnectionCount() {
    return openConnections;
}

// Attributes are "key=value" separated by ';'; a value in braces runs to its closing brace
// ("}}" inside is a brace of the value) and may hold ';'.
QString maskedConnectionString(const QString& text) {
    QString masked;
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype semicolon = text.indexOf(u';', at);
        const qsizetype equals = text.indexOf(u'=', at);
        if (equals < 0 || (semicolon >= 0 && semicolon < equals)) {
            const qsizetype end = semicolon < 0 ? text.size() : semicolon + 1;
            masked += QStringView(text).sliced(at, end - at);
            at = end;
            continue;
        }
        const qsizetype value = equals + 1;
        qsizetype end = value;
        while (end < text.size() && text.at(end).isSpace())
            ++end;
        if (end < text.size() && text.at(end) == u'{') {
            for (++end; end < text.size(); ++end) {
                if (text.at(end) != u'}')
                    continue;
                if (end + 1 < text.size() && text.at(end + 1) == u'}') {
                    ++end;
                    continue;
                }
                break;
            }
        }
        end = text.indexOf(u';', qMin(end, text.size()));
        if (end < 0)
            end = text.size();
        masked += QStringView(text).sliced(at, value - at);
        if (isSecretKey(QStringView(text).sliced(at, equals - at).trimmed()))
            masked += QLatin1StringView("***");
        else
            masked += QStringView(text).sliced(value, end - value);
        at = end;
    }
    return masked;
}

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
        return makeError(errors::ObjectClosed,
                         QStringLiteral("Operation is not allowed when the object "
                                        "is closed."));
    // Case folding keeps a name's length: a name of another length is passed over uncompared.
    qsizetype column = 0;
    while (column < m_names.size() && (m_names[column].size() != name.size() ||
                                       m_names[column].compare(name, Qt::CaseInsensitive) != 0))
        ++column;
    if (column == m_names.size())
        return makeError(errors::ItemNotFound,
                         QStringLiteral("Item cannot be found in the collection "
                                        "corresponding to the requested name: %1")
                             .arg(name));
    if (atEnd())
        return makeError(errors::NoCurrentRecord,
                         QStringLiteral("Either BOF or EOF is True, or the current record has "
                                        "been deleted. Requested operation requires a current "
                                        "record."));
    return m_rows[size_t(m_pos)].at(column);
}

struct Connection::Private {
    QString connectionString;
    Handle<SQL_HANDLE_ENV> environment;
    Handle<SQL_HANDLE_DBC> connection; // set while connected
    QList<DbError> errors;

    Error fail(QList<DbError> records) {
        errors = orUnexplained(std::move(records));
        return errorOf(errors);
    }
    // The statement's records, else the connection's.
    Error failStatement(SQLHSTMT statement) {
        QList<DbError> records = diagnostics(SQL_HANDLE_STMT, statement);
        if (records.isEmpty())
            records = diagnostics(SQL_HANDLE_DBC, connection.get());
        return fail(std::move(records));
    }
};

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
    Handle<SQL_HANDLE_ENV> environment = allocate<SQL_HANDLE_ENV>(SQL_NULL_HANDLE);
    if (!environment) {
        return d->fail({DbError{0, QStringLiteral("HY001"), kSource,
                                QStringLiteral("The ODBC driver manager cannot allocate an "
                                               "environment")}});
    }
    SQLSetEnvAttr(environment.get(), SQL_ATTR_ODBC_VERSION,
                  reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    Handle<SQL_HANDLE_DBC> connection = allocate<SQL_HANDLE_DBC>(environment.get());
    if (!connection)
        return d->fail(diagnostics(SQL_HANDLE_ENV, environment.get()));
    // A bare word is a data source name, as ADO read it; a string of attributes goes as written.
    const QString attributes = connectionString.contains(u'=')
                                   ? connectionString
                                   : QStringLiteral("DSN=") + connectionString;
    SQLWCHAR completed[1024];
    SQLSMALLINT completedLength = 0;
    const SQLRETURN r =
        SQLDriverConnectW(connection.get(), nullptr, wide(attributes), SQL_NTS, completed,
                          SQLSMALLINT(std::size(completed)), &completedLength, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(r)) {
        // The driver manager quotes parts of what it could not use, a password among them.
        QList<DbError> records = diagnostics(SQL_HANDLE_DBC, connection.get());
        for (DbError& record : records)
            record.description = maskedConnectionString(record.description);
        return d->fail(std::move(records));
    }
    d->environment = std::move(environment);
    d->connection = std::move(connection);
    ++openConnections;
    d->errors.clear();
    return Status::success();
}

void Connection::close() {
    if (!d->connection)
        return;
    SQLDisconnect(d->connection.get());
    d->connection.reset();
    d->environment.reset();
    --openConnections;
}

bool Connection::isOpen() const {
    return bool(d->connection);
}

QString Connection::connectionString() const {
    return d->connectionString;
}

Result<Recordset> Connection::execute(const QString& sql, const QVariantList& params) {
    if (!isOpen()) {
        d->errors.clear();
        return makeError(errors::ConnectionClosed,
                         QStringLiteral("The connection cannot be used to perform this operation. "
                                        "It is either closed or invalid in this context."));
    }
    const Handle<SQL_HANDLE_STMT> statement = allocate<SQL_HANDLE_STMT>(d->connection.get());
    if (!statement)
        return d->fail(diagnostics(SQL_HANDLE_DBC, d->connection.get()));
    SQLHSTMT s = statement.get();
    if (!SQL_SUCCEEDED(SQLPrepareW(s, wide(sql), SQL_NTS)))
        return d->failStatement(s);
    std::vector<Parameter> bound(size_t(params.size()));
    for (qsizetype i = 0; i < params.size(); ++i) {
        if (!SQL_SUCCEEDED(bind(s, SQLUSMALLINT(i + 1), bindable(params[i]), bound[size_t(i)])))
            return d->failStatement(s);
    }
    // SQL_NO_DATA: a statement that touched no row.
    if (const SQLRETURN r = SQLExecute(s); !SQL_SUCCEEDED(r) && r != SQL_NO_DATA)
        return d->failStatement(s);
    SQLSMALLINT count = 0;
    if (!SQL_SUCCEEDED(SQLNumResultCols(s, &count)))
        return d->failStatement(s);
    std::vector<Column> columns;
    for (SQLUSMALLINT number = 1; number <= count; ++number) {
        std::optional<Column> column = describe(s, number);
        if (!column)
            return d->failStatement(s);
        columns.push_back(std::move(*column));
    }
    Recordset rs;
    rs.m_open = true;
    for (const Column& column : columns)
        rs.m_names << column.name;
    while (count > 0) {
        const SQLRETURN fetched = SQLFetch(s);
        if (fetched == SQL_NO_DATA)
            break;
        if (!SQL_SUCCEEDED(fetched))
            return d->failStatement(s);
        QVariantList row;
        row.reserve(count);
        for (SQLUSMALLINT number = 1; number <= count; ++number) {
            std::optional<QVariant> value = read(s, number, columns[number - 1]);
            if (!value)
                return d->failStatement(s);
            row << std::move(*value);
        }
        rs.m_rows.push_back(std::move(row));
    }
    d->errors.clear();
    return rs;
}

QList<DbError> Connection::errors() const {
    return d->errors;
}

} // namespace kema::db
