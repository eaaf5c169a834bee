#pragma once

#include "services/Error.h"

namespace kema::report {

class Printer;
class Report;

// The report's printer (a CUPS queue at high resolution), created on first use; an error when
// the desktop module cannot be loaded.
Result<Printer*> reportPrinter(Report& report);

// Prints the pages of the report's run on `printer` as one CUPS job titled with the layout's
// document name: the pages are drawn once into a PDF on the printer's paper and resolution and
// submitted through libcups, which makes the `copies`, collated, and is asked for A4 when the
// slip's paper is A4. CUPS' answer to this submission decides the outcome. A page range chosen
// in a print dialog is honoured; a dialog's choice of a PDF file is written by Qt. A run without
// pages sends no job. Errors: copies below 1, no printer at all, a printer name that is no
// available queue, a job CUPS refused (with its reason).
Status printPages(Report& report, Printer& printer, int copies);

// Direct printing: all pages on the report's printer with its copy count, no dialog.
Status printReport(Report& report);

} // namespace kema::report
