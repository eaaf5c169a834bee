// raiten: prints a visit slip from the command line, as a host of the component would.
//
// Exit status: 0 when RaitenDenpyoPRINT gave 0, 1 when it gave -1 (or the host's connection
// could not be opened), 2 for a usage error.
#include "Align.h"
#include "Doctor.h"
#include "Options.h"
#include "component/Product.h"
#include "report/print/Desktop.h"
#include "request/Application.h"
#include "request/Dispatch.h"
#include "request/TKV418C1.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <memory>
#include <variant>

namespace {

using kema::request::DispatchMember;
using kema::request::MemberKind;
using kema::request::ValueType;
using raiten::Options;
using raiten::UsageError;

constexpr int kUsageError = 2;

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

} // namespace

int main(int argc, char** argv) {
    kema::request::selectPlatformWithoutDisplay();
    // Only a slip for the printer or the preview needs Qt's widgets and printing: a run that
    // writes files starts without loading them. Qt's own options are still in argv here, so an
    // early parse that fails leaves the decision to the desktop.
    QStringList raw;
    for (int i = 1; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    const auto early = raiten::parse(raw);
    const auto* files = std::get_if<Options>(&early);
    const bool desktop =
        raw.value(0) != u"doctor" && !(files && (files->help || files->pdf || files->png));
    const std::unique_ptr<QCoreApplication> application(
        kema::report::createApplication(argc, argv, desktop));
    kema::component::registerProduct();
    if (QCoreApplication::arguments().value(1) == u"doctor")
        return kema::doctor::run(QCoreApplication::arguments().mid(2));

    const auto parsed = raiten::parse(QCoreApplication::arguments().mid(1));
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
