#include "report/Paint.h"

#include "report/Fonts.h"

#include <QGlyphRun>
#include <QPaintDevice>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>

#include <cmath>
#include <limits>

namespace kema::report {

// A text laid out once in twips: its glyph runs relative to the box's top-left corner.
struct TextLayout {
    QList<QGlyphRun> runs;
    bool overflows = false; // needs the clip to its box
};

namespace {

constexpr qreal TwipsPerInch = 1440;
constexpr qreal TwipsPerWeight = 15;
constexpr qreal SnapDpi = 300;

std::shared_ptr<const TextLayout> layOut(const TextPrimitive& t) {
    auto result = std::make_shared<TextLayout>();
    const QFont font = twipsFont(*t.font);
    const qreal width = t.box.width();
    const qreal height = t.box.height();
    QTextLayout layout(t.text, font);
    QTextOption option;
    option.setFlags(QTextOption::IncludeTrailingSpaces);
    const qreal lineHeight = QFontMetricsF(font).height();
    // Japanese text has no spaces: a box tall enough for two lines wraps at any character;
    // otherwise the one line is cut at the box's edge.
    const bool wrap = height >= 2 * lineHeight;
    option.setWrapMode(wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal y = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(wrap ? width : std::numeric_limits<qreal>::max() / 4);
        const qreal natural = line.naturalTextWidth();
        qreal x = 0;
        if (t.align == Align::Right)
            x = width - natural;
        else if (t.align == Align::Center)
            x = (width - natural) / 2;
        line.setPosition(QPointF(x, y));
        y += line.height();
        if (wrap && y + lineHeight > height)
            break;
    }
    layout.endLayout();
    result->runs = layout.glyphRuns();
    // A line is often taller than its box while its glyphs are not: only ink past the box needs
    // the clip, and each clip costs the PDF a reset of the whole graphics state.
    const QRectF box(0, 0, width, height);
    for (const QGlyphRun& run : std::as_const(result->runs)) {
        const QRawFont font = run.rawFont();
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype i = 0; i < glyphs.size() && !result->overflows; ++i) {
            const QRectF ink = font.boundingRect(glyphs[i]).translated(positions[i]);
            result->overflows = !ink.isEmpty() && !box.contains(ink);
        }
    }
    return result;
}

// Draws the primitives of one page in twips, keeping pen and brush changes few.
class PagePainter {
public:
    PagePainter(QPainter& painter, const QTransform& device, qreal dpiX)
        : m_painter(painter), m_device(device), m_dpiX(dpiX) {}

    void operator()(const TextPrimitive& t) {
        if (!t.layout)
            t.layout = layOut(t);
        setPen(QPen(QColor(t.color)));
        if (t.layout->overflows) {
            m_painter.save();
            m_painter.setClipRect(t.box, Qt::IntersectClip);
        }
        for (const QGlyphRun& run : t.layout->runs)
            m_painter.drawGlyphRun(t.box.topLeft(), run);
        if (t.layout->overflows)
            m_painter.restore();
    }

    void operator()(const LinePrimitive& l) {
        setPen(linePen(l.color, l.weight));
        m_painter.drawLine(l.from, l.to);
    }

    void operator()(const RectPrimitive& r) {
        if (r.filled)
            m_painter.fillRect(r.box, QColor(r.fillColor));
        if (r.weight > 0) {
            setPen(linePen(r.lineColor, r.weight));
            m_painter.setBrush(Qt::NoBrush);
            m_painter.drawRect(r.box);
        }
    }

    void operator()(const BarsPrimitive& b) {
        if (b.modules <= 0)
            return;
        const QColor color(b.color);
        const QRectF area = m_device.mapRect(b.box);
        const qreal dots = std::floor(area.width() / b.modules);
        if (m_dpiX >= SnapDpi && dots >= 1) {
            // Whole dots per module keep every bar and space the same width on the device,
            // which is what a scanner needs; the symbol stays centred in its box.
            const QTransform world = m_painter.worldTransform();
            m_painter.setWorldTransform(m_base);
            const bool aa = m_painter.testRenderHint(QPainter::Antialiasing);
            m_painter.setRenderHint(QPainter::Antialiasing, false);
            const qreal left = std::round(area.left() + (area.width() - dots * b.modules) / 2);
            const qreal top = std::round(area.top());
            const qreal height = std::round(area.bottom()) - top;
            for (const BarsPrimitive::Bar& bar : b.bars)
                m_painter.fillRect(QRectF(left + bar.start * dots, top, bar.width * dots, height),
                                   color);
            m_painter.setRenderHint(QPainter::Antialiasing, aa);
            m_painter.setWorldTransform(world);
            return;
        }
        const qreal module = b.box.width() / b.modules;
        for (const BarsPrimitive::Bar& bar : b.bars)
            m_painter.fillRect(QRectF(b.box.left() + bar.start * module, b.box.top(),
                                      bar.width * module, b.box.height()),
                               color);
    }

    void setBase(const QTransform& base) { m_base = base; }

private:
    static QPen linePen(QRgb color, int weight) {
        QPen pen(QColor(color), weight * TwipsPerWeight);
        pen.setCapStyle(Qt::SquareCap);
        pen.setJoinStyle(Qt::MiterJoin);
        return pen;
    }

    void setPen(const QPen& pen) {
        if (!m_penSet || pen != m_pen) {
            m_painter.setPen(pen);
            m_pen = pen;
            m_penSet = true;
        }
    }

    QPainter& m_painter;
    QTransform m_device; // twips to device units
    QTransform m_base;   // the caller's transform
    qreal m_dpiX;
    QPen m_pen;
    bool m_penSet = false;
};

} // namespace

void paintPage(QPainter& painter, const Document& document, int index, qreal dpiX, qreal dpiY,
               QPointF sheetOrigin) {
    if (index < 0 || index >= document.pageCount())
        return;
    painter.save();
    const QTransform base = painter.worldTransform();
    QTransform toDevice;
    toDevice.translate(sheetOrigin.x(), sheetOrigin.y());
    toDevice.scale(dpiX / TwipsPerInch, dpiY / TwipsPerInch);
    toDevice.translate(document.pageValues.leftMargin, document.pageValues.topMargin);
    // Nothing past the sheet's edge shows, on a screen either.
    painter.setClipRect(QRectF(sheetOrigin, QSizeF(document.sheet.width() * dpiX / TwipsPerInch,
                                                   document.sheet.height() * dpiY / TwipsPerInch)),
                        Qt::IntersectClip);
    painter.setWorldTransform(toDevice * base);
    painter.setBrush(Qt::NoBrush);

    PagePainter draw(painter, toDevice * base, dpiX);
    draw.setBase(base);
    document.pages[std::size_t(index)].forEach(
        [&](quint32 item) { std::visit(draw, document.item(item)); });
    painter.restore();
}

void paintPage(QPainter& painter, const Document& document, int index) {
    const QPaintDevice* device = painter.device();
    paintPage(painter, document, index, device->logicalDpiX(), device->logicalDpiY());
}

void releaseLayouts(const Document& document, int index) {
    if (index < 0 || index >= document.pageCount())
        return;
    document.pages[std::size_t(index)].forEach([&](quint32 item) {
        if (document.lastUse[item] <= quint32(index)) {
            if (const auto* text = std::get_if<TextPrimitive>(&document.item(item)))
                text->layout.reset();
        }
    });
}

} // namespace kema::report
