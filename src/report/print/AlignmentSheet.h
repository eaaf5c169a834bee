#pragma once

#include "report/Report.h"
#include "services/Error.h"

#include <QString>

namespace kema::report {

// The print job's and the PDF's title of the alignment sheet of `variant`.
QString alignmentSheetTitle(const QString& variant);

// The alignment sheet of the printer-offset form `variant` (its layout name), produced where
// `target` says: the queue the printer-offset ini's Device selects, or a PDF or PNG file. The
// sheet goes through the variant's own page setup and paint routine, so its boxes land where the
// variant prints its fields: each printing field's outline with its sample text and its name,
// the variant's frames and lines, a cross at the band origin, millimetre rulers from the paper's
// edges, the margins in effect and how to correct TOP and LEFT. Errors: a broken layout, an ini
// the page setup refuses, a failed print or file.
Status produceAlignmentSheet(const QString& variant, Target target, const QString& file = {},
                             int dpi = 150);

} // namespace kema::report
