#pragma once

#include "services/Error.h"

#include <QString>

class QIODevice;

namespace kema::report {

struct Document;

// The writers of the file targets, for a document that has run. No printer is used and no
// window is shown. A document without pages writes nothing and succeeds.

// One PDF: A4 landscape pages of 842 × 595 pt, vector text with embedded fonts, titled with
// the layout's document name.
Status writePdf(const Document& document, const QString& file);
// The same PDF into an open device, such as a QBuffer.
Status writePdf(const Document& document, QIODevice& device);
// One PNG per page at `dpi`; pages after the first go to "<base>-2.<ext>", "<base>-3.<ext>" …
Status writePng(const Document& document, const QString& file, int dpi = 150);

// The file of page `index` (from 0) of a PNG target.
QString pngPageFile(const QString& file, int index);

} // namespace kema::report
