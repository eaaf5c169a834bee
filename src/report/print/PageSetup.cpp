#include "report/print/PageSetup.h"
#include "services/ErrorNumbers.h"

#include "report/Report.h"
#include "report/Viewer.h"
#include "report/print/Desktop.h"
#include "report/print/Printing.h"
#include "services/messages/Logging.h"
#include "services/settings/Settings.h"
#include "services/text/Conversions.h"

#include <QPageLayout>
#include <QRect>

#include <cfenv>
#include <cmath>
#include <limits>

namespace kema::report {

namespace {

constexpr int BorderlessDpi = 1200;

QPageLayout borderlessSheet() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(),
                       QPageLayout::Point);
}

// GetDeviceCaps over a sheet and the unprintable strips of its device.
qint32 capsOf(const QPageLayout& sheet, const QMarginsF& unprintable, int dpi, int index) {
    const QRect paper = sheet.fullRectPixels(dpi);
    QPageLayout printable = sheet;
    printable.setMode(QPageLayout::StandardMode);
    printable.setUnits(QPageLayout::Point);
    printable.setMinimumMargins(QMarginsF());
    printable.setMargins(unprintable);
    const QRect area = printable.paintRectPixels(dpi);
    switch (index) {
    case PhysicalWidth:
        return paper.width();
    case PhysicalHeight:
        return paper.height();
    case HorzRes:
        return area.width();
    case VertRes:
        return area.height();
    case PhysicalOffsetX:
        return area.left() - paper.left();
    case PhysicalOffsetY:
        return area.top() - paper.top();
    default:
        return 0;
    }
}

std::optional<qint32> difference(qint32 a, qint32 b, qint32 c) {
    qint32 ab = 0;
    qint32 abc = 0;
    if (__builtin_sub_overflow(a, b, &ab) || __builtin_sub_overflow(ab, c, &abc))
        return std::nullopt;
    return abc;
}

bool isFileTarget(const Report& report) {
    return report.target() == Target::Pdf || report.target() == Target::Png;
}

// TOP or LEFT of the printer-offset ini as a 16-bit whole number.
Result<qint16> readOffset(const QString& iniPath, const QString& key) {
    QString value = ReadIniValue(iniPath, QStringLiteral("START_POS"), key, QStringLiteral("0"));
    if (value.trimmed().isEmpty())
        value = QStringLiteral("0");
    Result<qint16> number = ToInteger16Strict(value);
    if (number)
        return number;
    Error error = number.error();
    error.source = QStringLiteral("VariantPageSetup");
    error.description = QStringLiteral("%1 [START_POS] %2=\"%3\": %4")
                            .arg(iniPath, key, value, number.error().description);
    return error;
}

} // namespace

Result<PrinterOffsets> readPrinterOffsets(const QString& iniPath) {
    const Result<qint16> top = readOffset(iniPath, QStringLiteral("TOP"));
    if (!top)
        return top.error();
    const Result<qint16> left = readOffset(iniPath, QStringLiteral("LEFT"));
    if (!left)
        return left.error();
    return PrinterOffsets{
        top.value(), left.value(),
        ReadIniValue(iniPath, QStringLiteral("START_POS"), QStringLiteral("Device"), QString())
            .trimmed()};
}

QueueDevice::QueueDevice(const Printer& printer) : m_printer(printer) {}

bool QueueDevice::available() const {
    const QString queue = m_printer.queueName();
    return !queue.isEmpty() && m_printer.availableQueues().contains(queue);
}

float QueueDevice::twipsPerPixelX() const {
    return 1440.0f / static_cast<float>(m_printer.resolution());
}

float QueueDevice::twipsPerPixelY() const {
    return twipsPerPixelX();
}

qint32 QueueDevice::deviceCaps(int index) const {
    const QPageLayout sheet = m_printer.pageLayout();
    return capsOf(sheet, sheet.minimumMargins(), m_printer.resolution(), index);
}

float BorderlessDevice::twipsPerPixelX() const {
    return 1440.0f / static_cast<float>(BorderlessDpi);
}

float BorderlessDevice::twipsPerPixelY() const {
    return twipsPerPixelX();
}

qint32 BorderlessDevice::deviceCaps(int index) const {
    return capsOf(borderlessSheet(), QMarginsF(), BorderlessDpi, index);
}

std::optional<qint32> pixelsToTwips(float twipsPerPixel, qint32 pixels) {
    const double product = static_cast<double>(twipsPerPixel) * static_cast<double>(pixels);
    if (!std::isfinite(product))
        return std::nullopt;
    const int mode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(product);
    std::fesetround(mode);
    if (rounded < std::numeric_limits<qint32>::min() ||
        rounded > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint32>(rounded);
}

std::optional<PrinterMargins> MeasurePrinterMargins(const PrinterDevice& device) {
    if (!device.available())
        return std::nullopt;
    const float x = device.twipsPerPixelX();
    const float y = device.twipsPerPixelY();
    const auto physicalWidth = pixelsToTwips(x, device.deviceCaps(PhysicalWidth));
    const auto physicalHeight = pixelsToTwips(y, device.deviceCaps(PhysicalHeight));
    const auto printableWidth = pixelsToTwips(x, device.deviceCaps(HorzRes));
    const auto printableHeight = pixelsToTwips(y, device.deviceCaps(VertRes));
    const auto offsetX = pixelsToTwips(x, device.deviceCaps(PhysicalOffsetX));
    const auto offsetY = pixelsToTwips(y, device.deviceCaps(PhysicalOffsetY));
    if (!physicalWidth || !physicalHeight || !printableWidth || !printableHeight || !offsetX ||
        !offsetY)
        return std::nullopt;
    const auto right = difference(*physicalWidth, *printableWidth, *offsetX);
    const auto bottom = difference(*physicalHeight, *printableHeight, *offsetY);
    if (!right || !bottom)
        return std::nullopt;
    return PrinterMargins{*offsetX, *offsetY, *right, *bottom};
}

Status selectQueue(Printer& printer, const QString& queue) {
    const QStringList queues = printer.availableQueues();
    if (!queues.contains(queue)) {
        const QString text =
            QStringLiteral("printer \"%1\" is not a CUPS queue here (available: %2)")
                .arg(queue, queues.isEmpty() ? QStringLiteral("none") : queues.join(u", "));
        qCWarning(lcPrint).noquote() << text;
        return Error{errors::Printer, QStringLiteral("selectQueue"), text};
    }
    printer.setQueueName(queue);
    return {};
}

Status StandardPageSetup(Report& report) {
    if (isFileTarget(report))
        return StandardPageSetup(report, BorderlessDevice());
    const Result<Printer*> printer = reportPrinter(report);
    if (!printer)
        return printer.error();
    return StandardPageSetup(report, QueueDevice(*printer.value()));
}

Status StandardPageSetup(Report& report, const PrinterDevice& device) {
    // The further printer setting the slips clear first has no counterpart on CUPS.
    PageValues& page = report.page();
    page.paperSize = 9;
    page.orientation = 2;
    if (!isFileTarget(report)) {
        const Result<Printer*> printer = reportPrinter(report);
        if (!printer)
            return printer.error();
        printer.value()->setPageSize(QPageSize(QPageSize::A4));
        printer.value()->setPageOrientation(QPageLayout::Landscape);
    }
    const auto margins = MeasurePrinterMargins(device);
    page.leftMargin = static_cast<float>(margins ? margins->left : FallbackLeftMargin);
    page.rightMargin = 0;
    page.bottomMargin = 0;
    page.topMargin = StandardTopMargin;
    return {};
}

Status VariantPageSetup(Report& report) {
    if (isFileTarget(report))
        return VariantPageSetup(report, BorderlessDevice());
    const Result<Printer*> printer = reportPrinter(report);
    if (!printer)
        return printer.error();
    return VariantPageSetup(report, QueueDevice(*printer.value()));
}

Status VariantPageSetup(Report& report, const PrinterDevice& device) {
    // The ini is read first: the queue it names is the one measured, and a broken value stops
    // the setup before anything has changed.
    const Result<PrinterOffsets> offsets = readPrinterOffsets(nprinterIniPath());
    if (!offsets)
        return offsets.error();
    const QString& queue = offsets.value().device;

    PageValues& page = report.page();
    page.orientation = 2;
    if (!isFileTarget(report)) {
        const Result<Printer*> printer = reportPrinter(report);
        if (!printer)
            return printer.error();
        if (!queue.isEmpty()) {
            const Status selected = selectQueue(*printer.value(), queue);
            if (!selected)
                return selected;
        }
        printer.value()->setPageOrientation(QPageLayout::Landscape);
    }
    const auto margins = MeasurePrinterMargins(device);
    page.leftMargin = static_cast<float>(margins ? margins->left : FallbackLeftMargin);
    page.rightMargin = 0;
    page.bottomMargin = 0;
    if (offsets.value().top != 0)
        page.topMargin = offsets.value().top;
    if (offsets.value().left != 0)
        page.leftMargin = offsets.value().left;
    return {};
}

} // namespace kema::report
