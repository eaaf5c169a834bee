#pragma once

#include "report/print/Preview.h"
#include "services/Error.h"

namespace kema::report {

class Report;

// Produces a report where its target says: the printer (run, then all pages with the copy
// count, no dialog), the modal preview (run, whose end event comes before the window, then the
// window unless the report closed it), or a PDF or PNG file. A failed run or a failed print is
// returned as the error; the launcher turns it into its -1.
Status execute(Report& report, const PreviewOptions& preview = {});

} // namespace kema::report
