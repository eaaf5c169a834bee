#include "Align.h"

#include "report/print/AlignmentSheet.h"
#include "request/Dispatch.h"

#include <cstdio>

namespace {

constexpr int kFailed = 1;
constexpr int kUsageError = 2;

void complain(const QString& text) {
    std::fputs(("raiten: " + text + u'\n').toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

} // namespace

int printAlignmentSheet(const QMap<int, QVariant>& values, const std::optional<QString>& pdf,
                        const std::optional<QString>& png, int dpi) {
    const kema::request::DispatchMember* member = kema::request::findMember(u"DenpKbnL");
    const QVariant kind = values.value(int(member - kema::request::members().data()));
    const int denpKbnL = kind.isValid() ? kind.toInt() : 0;
    if (denpKbnL != 1 && denpKbnL != 2) {
        complain(QStringLiteral("--align needs --DenpKbnL 1 (glasses) or 2 (contact lenses)\n"
                                "Try 'raiten --help'."));
        return kUsageError;
    }
    const QString variant = denpKbnL == 1 ? QStringLiteral("TKV418R4") : QStringLiteral("TKV418R5");
    using kema::report::Target;
    const Target target = pdf ? Target::Pdf : png ? Target::Png : Target::Printer;
    const kema::Status produced =
        kema::report::produceAlignmentSheet(variant, target, pdf ? *pdf : png.value_or(""), dpi);
    if (!produced) {
        complain(QStringLiteral("--align: ") + produced.error().description);
        return kFailed;
    }
    return 0;
}
