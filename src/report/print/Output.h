#pragma once

#include "report/Report.h"
#include "report/print/Preview.h"
#include "services/Error.h"

namespace kema::report {

// Runs the report once and produces its pages where its target says: the printer (all pages
// with the copy count, no dialog), the modal preview (whose end event comes before the window;
// no window when the report closed it), or a PDF or PNG file. A failed run or a failed print is
// returned as the error; the launcher turns it into its -1. A run without pages prints nothing
// and writes no file.
Status execute(Report& report, const PreviewOptions& preview = {});

// Shorthands that set a file target and execute the report. Setting the target before the run
// lets the page setup measure a device without unprintable border.
Status renderPdf(Report& report, const QString& file);
Status renderPng(Report& report, const QString& file, int dpi = 150);

} // namespace kema::report
