#pragma once

#include "services/Error.h"

class QPrinter;

namespace kema::report {

class Report;

// Prints the pages of the report's run on `printer` as one CUPS job titled with the layout's
// document name. CUPS makes the `copies`; the pages are drawn once. A page range chosen in a
// print dialog is honoured. A run without pages sends no job. Errors: copies below 1, no printer
// at all, a printer name that is no available queue, a job the printer refused.
Status printPages(Report& report, QPrinter& printer, int copies);

// Direct printing: all pages on the report's printer with its copy count, no dialog.
Status printReport(Report& report);

} // namespace kema::report
