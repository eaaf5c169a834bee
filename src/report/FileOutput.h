#pragma once

#include "services/Error.h"

#include <QString>

namespace kema::report {

class Report;
struct Document;

// File targets of a run. Each sets the report's target (so that the page setup measures a
// device without unprintable border), runs the report and writes one copy of its pages. No
// printer is used and no window is shown. A run that fails writes nothing and returns its
// error; a run without pages writes nothing and succeeds.

// One PDF: A4 landscape pages of 842 × 595 pt, vector text with embedded fonts, titled with
// the layout's document name.
Status renderPdf(Report& report, const QString& file);
// One PNG per page at `dpi`; pages after the first go to "<base>-2.<ext>", "<base>-3.<ext>" …
Status renderPng(Report& report, const QString& file, int dpi = 150);

// The writers behind them, for a document that has already been run.
Status writePdf(const Document& document, const QString& file);
Status writePng(const Document& document, const QString& file, int dpi = 150);

// The file of page `index` (from 0) of a PNG target.
QString pngPageFile(const QString& file, int index);

} // namespace kema::report
