#pragma once

#include <QString>

#include <exception>
#include <optional>
#include <utility>
#include <variant>

namespace kema {

// An error with its details, as the platform's error object carried them: a number, the place
// that raised it and a description. Errors travel as values; they become the messages and
// results of the print request only at its boundary.
struct Error {
    long number = 0;
    QString source;
    QString description;

    // "number:source" CR LF "description", the text of the platform message box.
    QString messageBoxText() const {
        return QString::number(number) + u':' + source + QStringLiteral("\r\n") + description;
    }
};

namespace db {

// One entry of a connection's error collection, as the driver reported it.
struct DbError {
    long nativeError = 0;
    QString sqlState;
    QString source;
    QString description;

    // "[SQLSTATE] description", or the description alone without a state.
    QString text() const {
        return sqlState.isEmpty() ? description
                                  : u'[' + sqlState + QStringLiteral("] ") + description;
    }
};

} // namespace db

// The outcome of an operation that yields nothing: ok, or an error.
class Status {
public:
    Status() = default;
    Status(Error error) : m_error(std::move(error)) {}
    static Status success() { return {}; }

    bool ok() const { return !m_error.has_value(); }
    explicit operator bool() const { return ok(); }
    const Error& error() const { return *m_error; }

private:
    std::optional<Error> m_error;
};

// A value or an error.
template <class T> class Result {
public:
    Result(T value) : m_data(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : m_data(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return m_data.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() & { return std::get<0>(m_data); }
    const T& value() const& { return std::get<0>(m_data); }
    T&& value() && { return std::get<0>(std::move(m_data)); }
    const Error& error() const { return std::get<1>(m_data); }
    Status status() const { return ok() ? Status() : Status(error()); }

private:
    std::variant<T, Error> m_data;
};

// An error that a report event does not handle. Report code throws it (or lets it pass) inside
// an event; the run driver catches it, ends the run as a failure and reports its text. It never
// leaves the component.
class Failure : public std::exception {
public:
    explicit Failure(Error error)
        : m_error(std::move(error)), m_what(m_error.description.toUtf8()) {}
    const Error& error() const { return m_error; }
    const char* what() const noexcept override { return m_what.constData(); }

private:
    Error m_error;
    QByteArray m_what;
};

} // namespace kema
