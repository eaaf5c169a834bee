#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>
#include <variant>

namespace raiten {

struct Options {
    bool help = false;
    bool align = false;
    QMap<int, QVariant> values; // by position in the interface; the last given wins
    std::optional<QString> connection;
    std::optional<QString> pdf;
    std::optional<QString> png;
    int dpi = 150;
    std::optional<QString> settings;
    std::optional<QString> nprinter;
};

struct UsageError {
    QString text;
};

// The value of the option `name`, read at arguments[i]: what follows its '=' (`name` is cut
// there), else the next argument (`i` then moves on to it); nothing when there is none.
std::optional<QString> optionValue(const QStringList& arguments, qsizetype& i, QString& name);

// The command line after the program name; "doctor" is the caller's to dispatch first.
std::variant<Options, UsageError> parse(const QStringList& arguments);

} // namespace raiten
