#pragma once

#include "report/Document.h"

#include <QPointF>

class QPainter;

namespace kema::report {

// Draws page `index` of `document`. The painter's coordinates are device units in which the
// physical sheet's top-left corner lies at `sheetOrigin`, at dpiX × dpiY units per inch; the
// band's designed origin lands at (left margin, top margin) of the sheet. The painter's state
// is restored on return. Render hints are the caller's: a screen preview sets antialiasing.
//
// How to call it:
// - QPrinter: setFullPage(true), then QPainter on it; dpi = printer.resolution(), origin (0, 0).
//   Each further page after printer.newPage().
// - QPdfWriter: page margins 0; dpi = writer.resolution(), origin (0, 0).
// - QImage of the sheet's size in pixels: dpi = the chosen resolution, origin (0, 0); fill it
//   white first (the routine paints only the primitives).
// - A widget: dpi = zoom × logicalDpiX()/Y(), origin where the sheet's corner is drawn.
void paintPage(QPainter& painter, const Document& document, int index, qreal dpiX, qreal dpiY,
               QPointF sheetOrigin = {});

// The same with the resolution of the painter's device and the sheet's corner at (0, 0).
void paintPage(QPainter& painter, const Document& document, int index);

// Frees the cached text layouts that no later page needs. A renderer that paints every page
// once, in order, calls it after each page so that long documents stay small; a preview that
// repaints pages does not.
void releaseLayouts(const Document& document, int index);

} // namespace kema::report
