#pragma once

#include "report/Document.h"

#include <optional>

namespace kema::report {

// What a barcode control draws: Code 128 bars with their quiet zones across the top of its box
// and the human-readable line beneath, shrunk to the box's width. Text that Code 128 cannot
// encode gets the line without bars and a diagnostic on standard error.
struct BarcodeGraphics {
    std::optional<BarsPrimitive> bars;
    std::optional<TextPrimitive> text;
};

BarcodeGraphics layoutBarcode(const QString& name, const QString& data, const QRectF& box,
                              const TextFont& font, QRgb color);

// Modules of quiet zone on either side of the symbol.
constexpr int QuietModules = 10;

} // namespace kema::report
