#pragma once

#include "report/Layout.h"
#include "report/Report.h"

#include <QPointF>
#include <QRectF>
#include <QRgb>
#include <QSizeF>
#include <QString>

#include <memory>
#include <variant>
#include <vector>

namespace kema::report {

// The pages a run produced: display lists of primitives in twips, relative to the band's
// designed origin (the paint routine places that origin at the page's left and top margin).
// Only what is drawn is listed: invisible controls, empty texts and cleared barcodes are
// absent, and the list order is the drawing order.

struct TextLayout; // the paint routine's cached layout of one text

struct TextPrimitive {
    QRectF box;
    QString text;
    std::shared_ptr<const TextFont> font; // shared by the primitives of one control
    Align align = Align::Left;
    QRgb color = 0x000000;
    // Laid out on first paint and reused by every page that lists this primitive.
    mutable std::shared_ptr<const TextLayout> layout;
};

// Weight n draws n × 15 twips wide.
struct LinePrimitive {
    QPointF from;
    QPointF to;
    QRgb color = 0x000000;
    int weight = 1;
};

struct RectPrimitive {
    QRectF box;
    QRgb lineColor = 0x000000;
    int weight = 1;
    bool filled = false;
    QRgb fillColor = 0xFFFFFF; // painted before the border when filled
};

// Code 128 bars spread over `box` (which includes the quiet zones): `modules` modules in all,
// each bar a run of dark modules. The paint routine snaps the module to whole device dots on
// devices of 300 dpi or more.
struct BarsPrimitive {
    struct Bar {
        quint16 start;
        quint16 width;
    };
    QRectF box;
    int modules = 0;
    std::vector<Bar> bars;
    QRgb color = 0x000000;
};

using Primitive = std::variant<TextPrimitive, LinePrimitive, RectPrimitive, BarsPrimitive>;

// A page lists its primitives by index into the document's pool: a control that did not change
// between two bands yields the same primitive for both pages. The indexes are kept as runs of
// consecutive ones, so that a long document of nearly equal pages stays small.
struct Page {
    struct Span {
        quint32 first;
        quint32 count;
    };
    std::vector<Span> spans;

    void append(quint32 item) {
        if (!spans.empty() && spans.back().first + spans.back().count == item)
            ++spans.back().count;
        else
            spans.push_back({item, 1});
    }
    template <class F> void forEach(F&& f) const {
        for (const Span& span : spans) {
            for (quint32 i = span.first; i < span.first + span.count; ++i)
                f(i);
        }
    }
    std::vector<quint32> items() const {
        std::vector<quint32> all;
        forEach([&](quint32 i) { all.push_back(i); });
        return all;
    }
};

struct Document {
    QString name;          // the print job's and the PDF's title
    PageValues pageValues; // as the report left them when the pages were complete
    QSizeF sheet;          // the paper in twips, oriented
    std::vector<Primitive> primitives;
    std::vector<Page> pages;
    // The last page index that lists each primitive (parallel to primitives).
    std::vector<quint32> lastUse;

    int pageCount() const { return int(pages.size()); }
    const Primitive& item(quint32 index) const { return primitives[index]; }
};

} // namespace kema::report
