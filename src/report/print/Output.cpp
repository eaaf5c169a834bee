#include "report/print/Output.h"

#include "report/FileOutput.h"
#include "report/print/Printing.h"

namespace kema::report {

Status execute(Report& report, const PreviewOptions& preview) {
    if (const Status run = report.run(); !run)
        return run;
    switch (report.target()) {
    case Target::Printer:
        return printReport(report);
    case Target::Preview:
        return showPreview(report, preview);
    case Target::Pdf:
        return writePdf(report.document(), report.targetFile());
    case Target::Png:
        return writePng(report.document(), report.targetFile(), report.targetDpi());
    }
    return {};
}

Status renderPdf(Report& report, const QString& file) {
    report.setTarget(Target::Pdf, file, report.targetDpi());
    return execute(report);
}

Status renderPng(Report& report, const QString& file, int dpi) {
    report.setTarget(Target::Png, file, dpi);
    return execute(report);
}

} // namespace kema::report
