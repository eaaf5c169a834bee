// raiten: prints a visit slip from the command line, as a host of the component would.
//
// Exit status: 0 when RaitenDenpyoPRINT gave 0, 1 when it gave -1 (or the host's connection
// could not be opened), 2 for a usage error.
#include "Align.h"
#include "Doctor.h"
#include "component/Product.h"
#include "request/Application.h"
#include "request/Dispatch.h"
#include "request/TKV418C1.h"

#include <QApplication>
#include <QFileInfo>
#include <QMap>
#include <QStringList>

#include <cstdio>
#include <memory>
#include <optional>
#include <variant>

namespace {

using kema::request::DispatchMember;
using kema::request::MemberKind;
using kema::request::ValueType;

constexpr int kUsageError = 2;

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

void write(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

QString placeholder(ValueType type) {
    switch (type) {
    case ValueType::Int16:
    case ValueType::Int32:
        return QStringLiteral("N");
    case ValueType::Double:
        return QStringLiteral("X");
    case ValueType::Text:
        return QStringLiteral("TEXT");
    case ValueType::Connection:
        return QStringLiteral("STRING");
    }
    Q_UNREACHABLE();
}

QString usage() {
    QString text = QStringLiteral(
        "Usage: raiten [--PROPERTY VALUE | --PROPERTY=VALUE]... [--pdf FILE | --png FILE]\n"
        "              [--dpi N] [--settings FILE] [--nprinter FILE]\n"
        "       raiten --align --DenpKbnL 1|2 [--pdf FILE | --png FILE] [--nprinter FILE]\n"
        "       raiten doctor [--json] ...   (checks this workstation: raiten doctor --help)\n"
        "Prints a visit slip, shows its preview, or renders it into files.\n"
        "Property names are matched without regard to case; the last of repeated options wins.\n"
        "\nProperties:\n");
    for (const DispatchMember& member : kema::request::members()) {
        if (member.kind != MemberKind::PropertyLet && member.kind != MemberKind::PropertySet)
            continue;
        const QString option =
            QStringLiteral("--") + QLatin1StringView(member.name) + u' ' + placeholder(member.type);
        text += QStringLiteral("  ") + option.leftJustified(24) + QLatin1StringView(member.help) +
                u'\n';
    }
    text += QStringLiteral(
        "\nOutput:\n"
        "  --pdf FILE              render the pages into one PDF file instead of printing\n"
        "  --png FILE              render one PNG file per page (FILE-2.png, ... after the first)\n"
        "  --dpi N                 resolution of the PNG files (default 150)\n"
        "  --settings FILE         the settings file to read (sets KEMA_SETTINGS)\n"
        "  --nprinter FILE         the printer-offset file of the pre-printed forms (sets\n"
        "                          KEMA_NPRINTER_INI)\n"
        "  --align                 print the alignment sheet of the pre-printed form of\n"
        "                          --DenpKbnL instead, through its printer-offset ini\n"
        "  --help                  show this text\n"
        "\nExit status: 0 slip produced, 1 refused or failed, 2 usage error.\n");
    return text;
}

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
        QString value;
        if (const qsizetype equals = name.indexOf(u'='); equals >= 0) {
            value = name.mid(equals + 1);
            name.truncate(equals);
        } else if (i + 1 < arguments.size()) {
            value = arguments.at(++i);
        } else {
            return UsageError{QStringLiteral("--") + name + QStringLiteral(" needs a value")};
        }
        if (auto error = take(options, name, value))
            return *error;
    }
    if (options.pdf && options.png)
        return UsageError{QStringLiteral("--pdf and --png cannot be combined")};
    return options;
}

} // namespace

int main(int argc, char** argv) {
    kema::request::selectPlatformWithoutDisplay();
    QApplication application(argc, argv);
    kema::component::registerProduct();
    if (QCoreApplication::arguments().value(1) == u"doctor")
        return kema::doctor::run(QCoreApplication::arguments().mid(2));

    const auto parsed = parse(QCoreApplication::arguments().mid(1));
    if (const auto* error = std::get_if<UsageError>(&parsed)) {
        write(stderr, QStringLiteral("raiten: ") + error->text +
                          QStringLiteral("\nTry 'raiten --help'.\n"));
        return kUsageError;
    }
    const Options& options = std::get<Options>(parsed);
    if (options.help) {
        write(stdout, usage());
        return 0;
    }
    if (options.settings)
        qputenv("KEMA_SETTINGS", QFileInfo(*options.settings).absoluteFilePath().toLocal8Bit());
    if (options.nprinter)
        qputenv("KEMA_NPRINTER_INI", QFileInfo(*options.nprinter).absoluteFilePath().toLocal8Bit());

    if (options.align)
        return printAlignmentSheet(options.values, options.pdf, options.png, options.dpi);

    kema::TKV418C1 request;
    for (auto it = options.values.cbegin(); it != options.values.cend(); ++it) {
        const DispatchMember& member = kema::request::members()[std::size_t(it.key())];
        const auto set = kema::request::invoke(request, member.dispid, member.kind, it.value());
        if (!set) {
            write(stderr, QStringLiteral("raiten: ") + set.error().description + u'\n');
            return kUsageError;
        }
    }
    if (options.connection) {
        auto connection = std::make_shared<kema::db::Connection>();
        if (kema::Status opened = connection->open(*options.connection); !opened) {
            write(stderr, QStringLiteral("raiten: --DBconnection: ") +
                              opened.error().messageBoxText() + u'\n');
            return 1;
        }
        request.setDBconnection(connection);
    }
    if (options.pdf)
        request.setFileTarget(kema::report::Target::Pdf, *options.pdf, options.dpi);
    if (options.png)
        request.setFileTarget(kema::report::Target::Png, *options.png, options.dpi);

    return request.RaitenDenpyoPRINT() == 0 ? 0 : 1;
}
