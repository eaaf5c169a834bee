#include "report/print/Output.h"

#include "report/FileOutput.h"
#include "report/Report.h"
#include "report/print/Printing.h"

namespace kema::report {

Status execute(Report& report, const PreviewOptions& preview) {
    switch (report.target()) {
    case Target::Printer: {
        const Status run = report.run();
        if (!run)
            return run;
        return printReport(report);
    }
    case Target::Preview: {
        const Status run = report.run();
        if (!run)
            return run;
        return showPreview(report, preview);
    }
    case Target::Pdf:
        return renderPdf(report, report.targetFile());
    case Target::Png:
        return renderPng(report, report.targetFile(), report.targetDpi());
    }
    return {};
}

} // namespace kema::report
