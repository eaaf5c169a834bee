#include "report/Barcode.h"

#include "report/Fonts.h"
#include "services/messages/Logging.h"

#include <QFontMetricsF>
#include <QtDebug>

#include <zint.h>

#include <cmath>
#include <memory>

namespace kema::report {

namespace {

struct Symbol {
    std::optional<BarsPrimitive> bars;
    QString error;
};

Symbol encode(const QString& data) {
    const std::unique_ptr<zint_symbol, decltype(&ZBarcode_Delete)> symbol(ZBarcode_Create(),
                                                                          &ZBarcode_Delete);
    if (!symbol)
        return {{}, QStringLiteral("out of memory")};
    symbol->symbology = BARCODE_CODE128;
    symbol->input_mode = UNICODE_MODE;
    symbol->show_hrt = 0;
    const QByteArray utf8 = data.toUtf8();
    int status = ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char*>(utf8.data()),
                                 int(utf8.size()));
    if (status < ZINT_ERROR)
        status = ZBarcode_Buffer_Vector(symbol.get(), 0);
    if (status >= ZINT_ERROR || !symbol->vector || symbol->width <= 0)
        return {{}, QString::fromLatin1(symbol->errtxt)};

    // Vector units per module, so that bars can be counted in whole modules.
    const double unit = symbol->vector->width / symbol->width;
    BarsPrimitive bars;
    bars.modules = symbol->width + 2 * QuietModules;
    for (const zint_vector_rect* r = symbol->vector->rectangles; r; r = r->next) {
        bars.bars.push_back({quint16(std::lround(r->x / unit) + QuietModules),
                             quint16(std::lround(r->width / unit))});
    }
    return {std::move(bars), {}};
}

} // namespace

BarcodeGraphics layoutBarcode(const QString& name, const QString& data, const QRectF& box,
                              const TextFont& font, QRgb color) {
    BarcodeGraphics graphics;
    if (data.isEmpty())
        return graphics;

    TextFont lineFont = font;
    QFontMetricsF metrics(twipsFont(lineFont));
    const qreal natural = metrics.horizontalAdvance(data);
    if (natural > box.width() && natural > 0) {
        lineFont.size = std::max(0.05, std::floor(font.size * box.width() / natural * 20) / 20);
        metrics = QFontMetricsF(twipsFont(lineFont));
    }
    const qreal lineHeight = std::min(metrics.height(), box.height());
    graphics.text =
        TextPrimitive{QRectF(box.left(), box.bottom() - lineHeight, box.width(), lineHeight),
                      data,
                      std::make_shared<const TextFont>(lineFont),
                      Align::Center,
                      color,
                      {}};

    Symbol symbol = encode(data);
    if (!symbol.bars) {
        qCWarning(lcReport).noquote()
            << QStringLiteral("barcode %1: cannot encode \"%2\" as Code 128 (%3); "
                              "printing its text only")
                   .arg(name, data, symbol.error);
        return graphics;
    }
    symbol.bars->box = QRectF(box.left(), box.top(), box.width(), box.height() - lineHeight);
    symbol.bars->color = color;
    graphics.bars = std::move(symbol.bars);
    return graphics;
}

} // namespace kema::report
