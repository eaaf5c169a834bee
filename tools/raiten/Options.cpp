#include "Options.h"

#include "request/Dispatch.h"

#include <QFileInfo>

namespace raiten {
namespace {

using kema::request::DispatchMember;
using kema::request::MemberKind;
using kema::request::ValueType;

std::optional<UsageError> take(Options& options, const QString& name, const QString& value) {
    auto named = [&](const char* option) {
        return name.compare(QLatin1StringView(option), Qt::CaseInsensitive) == 0;
    };
    if (named("pdf") || named("png")) {
        if (value.isEmpty())
            return UsageError{QStringLiteral("--") + name + QStringLiteral(" needs a file name")};
        (named("pdf") ? options.pdf : options.png) = value;
        return std::nullopt;
    }
    if (named("dpi")) {
        const auto dpi = kema::request::coerce(value, ValueType::Int32);
        if (!dpi || dpi.value().toInt() < 1 || dpi.value().toInt() > 2400)
            return UsageError{QStringLiteral("--dpi: \"") + value +
                              QStringLiteral("\" is not a resolution from 1 to 2400")};
        options.dpi = dpi.value().toInt();
        return std::nullopt;
    }
    if (named("settings") || named("nprinter")) {
        if (!QFileInfo(value).isFile())
            return UsageError{QStringLiteral("--") + name.toLower() +
                              QStringLiteral(": no such file: ") + value};
        (named("settings") ? options.settings : options.nprinter) = value;
        return std::nullopt;
    }
    const DispatchMember* member = kema::request::findMember(name);
    if (!member ||
        (member->kind != MemberKind::PropertyLet && member->kind != MemberKind::PropertySet))
        return UsageError{QStringLiteral("unknown option --") + name};
    if (member->kind == MemberKind::PropertySet) {
        options.connection = value;
        return std::nullopt;
    }
    const auto converted = kema::request::coerce(value, member->type);
    if (!converted)
        return UsageError{QStringLiteral("--") + QLatin1StringView(member->name) +
                          QStringLiteral(": ") + converted.error().description};
    options.values.insert(int(member - kema::request::members().data()), converted.value());
    return std::nullopt;
}

} // namespace

std::optional<QString> optionValue(const QStringList& arguments, qsizetype& i, QString& name) {
    if (const qsizetype equals = name.indexOf(u'='); equals >= 0) {
        const QString value = name.mid(equals + 1);
        name.truncate(equals);
        return value;
    }
    if (i + 1 < arguments.size())
        return arguments.at(++i);
    return std::nullopt;
}

std::variant<Options, UsageError> parse(const QStringList& arguments) {
    Options options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == u"--help" || argument == u"-h") {
            options.help = true;
            continue;
        }
        if (argument.compare(u"--align", Qt::CaseInsensitive) == 0) {
            options.align = true;
            continue;
        }
        if (!argument.startsWith(u"--") || argument.size() == 2)
            return UsageError{QStringLiteral("unexpected argument \"") + argument + u'"'};
        QString name = argument.mid(2);
        const std::optional<QString> value = optionValue(arguments, i, name);
        if (!value)
            return UsageError{QStringLiteral("--") + name + QStringLiteral(" needs a value")};
        if (auto error = take(options, name, *value))
            return *error;
    }
    if (options.pdf && options.png)
        return UsageError{QStringLiteral("--pdf and --png cannot be combined")};
    return options;
}

} // namespace raiten
