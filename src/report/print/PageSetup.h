#pragma once

#include "services/Error.h"

#include <QString>
#include <QtGlobal>

#include <optional>

namespace kema::report {

class Printer;
class Report;

// The GetDeviceCaps indexes the margin measurement reads.
enum DeviceCap : int {
    HorzRes = 8,
    VertRes = 10,
    PhysicalWidth = 110,
    PhysicalHeight = 111,
    PhysicalOffsetX = 112,
    PhysicalOffsetY = 113,
};

// What the margin measurement asks of the selected printer. Implementations read the device
// afresh on every call, so selecting another queue changes what they report.
class PrinterDevice {
public:
    virtual ~PrinterDevice() = default;
    // False when no printer is selected or the selected one cannot be queried.
    virtual bool available() const = 0;
    virtual float twipsPerPixelX() const = 0;
    virtual float twipsPerPixelY() const = 0;
    // Device pixels for one of the DeviceCap indexes; 0 for any other index.
    virtual qint32 deviceCaps(int index) const = 0;
};

// The report's printer: its paper rectangle, the printable area its queue reports (the page
// layout's minimum margins, whatever margins the report asked for) and its resolution.
class QueueDevice final : public PrinterDevice {
public:
    explicit QueueDevice(const Printer& printer);
    bool available() const override;
    float twipsPerPixelX() const override;
    float twipsPerPixelY() const override;
    qint32 deviceCaps(int index) const override;

private:
    const Printer& m_printer;
};

// An A4 landscape sheet printable to its edges, for the file targets.
class BorderlessDevice final : public PrinterDevice {
public:
    bool available() const override { return true; }
    float twipsPerPixelX() const override;
    float twipsPerPixelY() const override;
    qint32 deviceCaps(int index) const override;
};

// Printer margins in twips: left and top are the unprintable strips at those edges, right and
// bottom what lies beyond the printable area on those sides.
struct PrinterMargins {
    qint32 left = 0;
    qint32 top = 0;
    qint32 right = 0;
    qint32 bottom = 0;
    friend bool operator==(const PrinterMargins&, const PrinterMargins&) = default;
};

// twips-per-pixel × pixels in double precision, rounded to nearest with halves to even;
// nothing when the product is not finite or does not fit 32 bits.
std::optional<qint32> pixelsToTwips(float twipsPerPixel, qint32 pixels);

// The margin measurement; nothing (the -1 result) when there is no printer, a product is not
// finite or a subtraction overflows 32 bits.
std::optional<PrinterMargins> MeasurePrinterMargins(const PrinterDevice& device);

// The left margin when the measurement fails.
constexpr qint32 FallbackLeftMargin = 330;
// The top margin of the standard slips (2 cm).
constexpr qint32 StandardTopMargin = 1134;

// A4, landscape, measured left offset (or the fallback), right and bottom 0, top 1134. A file
// target measures a sheet without unprintable border and leaves the printer alone.
Status StandardPageSetup(Report& report);
Status StandardPageSetup(Report& report, const PrinterDevice& device);

// Section "START_POS" of the printer-offset ini. TOP and LEFT are 0 when missing or blank; one
// that is no 16-bit whole number is an error naming the file, the key and the value. Device is
// trimmed, empty when missing.
struct PrinterOffsets {
    qint16 top = 0;
    qint16 left = 0;
    QString device;
};
Result<PrinterOffsets> readPrinterOffsets(const QString& iniPath);

// Landscape with the printer's paper and the designed top, then the corrections of the
// printer-offset ini: a non-empty Device selects that queue before the measurement; non-zero TOP
// and LEFT replace the margins. A broken TOP or LEFT, or a Device that is no available queue, is
// an error for the start event.
Status VariantPageSetup(Report& report);
Status VariantPageSetup(Report& report, const PrinterDevice& device);

// Selects a CUPS queue on the printer; a name that is no available queue is an error naming it
// (Qt would otherwise print on the default printer without a word).
Status selectQueue(Printer& printer, const QString& queue);

} // namespace kema::report
