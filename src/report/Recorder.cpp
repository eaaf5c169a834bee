#include "report/Recorder.h"
#include "services/ErrorNumbers.h"

#include "report/Barcode.h"
#include "report/Report_p.h"
#include "services/messages/Logging.h"

namespace kema::report {

Recorder::Recorder(Document& document) : m_document(document) {}

void Recorder::recordPage(Report& report) {
    Page page;
    layOut(report, page, QPointF());
    m_document.pages.push_back(std::move(page));
}

void Recorder::layOut(Report& report, Page& page, QPointF origin) {
    for (const std::unique_ptr<Control>& owned : report.d->controls) {
        Control& control = *owned;
        if (!control.isVisible())
            continue;
        if (control.kind() == ControlKind::Subreport) {
            const LayoutControl& c = control.design();
            if (Report* hosted = static_cast<SubreportControl&>(control).report())
                runHosted(*hosted, page, origin + QPointF(c.left, c.top));
            continue;
        }
        place(control, page, origin);
    }
}

void Recorder::place(const Control& control, Page& page, QPointF origin) {
    const auto [it, first] = m_emitted.try_emplace(&control);
    Emitted& last = it->second;
    if (!first && last.revision == control.revision() && last.origin == origin) {
        for (quint32 item : last.items)
            page.append(item);
        return;
    }
    last.revision = control.revision();
    last.origin = origin;
    last.items.clear();
    auto add = [&](Primitive primitive) {
        if (const auto* text = std::get_if<TextPrimitive>(&primitive))
            m_faces.try_emplace(text->font->face, *text->font);
        last.items.push_back(quint32(m_document.primitives.size()));
        m_document.primitives.push_back(std::move(primitive));
    };

    const LayoutControl& c = control.design();
    const QRectF box(origin + QPointF(c.left, c.top), QSizeF(c.width, c.height));
    switch (control.kind()) {
    case ControlKind::Text:
    case ControlKind::Label: {
        const auto& text = static_cast<const TextControl&>(control);
        if (!text.text().isEmpty())
            add(TextPrimitive{box, text.text(), text.sharedFont(), c.align, text.foreColor(), {}});
        break;
    }
    case ControlKind::Line:
        // A line of no length would print a dot, a blemish on a pre-printed form.
        if (c.left != c.width || c.top != c.height)
            add(LinePrimitive{origin + QPointF(c.left, c.top), origin + QPointF(c.width, c.height),
                              static_cast<const LineControl&>(control).lineColor(), c.lineWeight});
        break;
    case ControlKind::Frame:
        add(RectPrimitive{box, static_cast<const FrameControl&>(control).lineColor(), c.lineWeight,
                          c.filled, c.backColor});
        break;
    case ControlKind::Barcode: {
        BarcodeGraphics graphics = layoutBarcode(
            c.name, static_cast<const BarcodeControl&>(control).data(), box, c.font, c.foreColor);
        if (graphics.bars)
            add(std::move(*graphics.bars));
        if (graphics.text)
            add(std::move(*graphics.text));
        break;
    }
    case ControlKind::Subreport:
        break;
    }
    for (quint32 item : last.items)
        page.append(item);
}

void Recorder::runHosted(Report& hosted, Page& page, QPointF origin) {
    Report::Private& h = *hosted.d;
    if (h.running)
        throw Failure(
            Error{errors::Control, h.layoutName,
                  QStringLiteral("%1 is already running and cannot be hosted").arg(h.layoutName)});
    if (h.layoutError)
        throw Failure(*h.layoutError);
    h.running = true;
    h.fetches = 0;
    // The hosted report's band is printed at the subreport's corner, which grows to hold it;
    // its end event comes even when one of its events failed.
    try {
        hosted.Report_ReportStart();
        for (int bands = 0;; ++bands) {
            bool eof = false;
            hosted.Report_FetchData(eof);
            if (eof) {
                if (bands == 0)
                    hosted.Report_NoData();
                break;
            }
            hosted.Detail_Format();
            layOut(hosted, page, origin + QPointF(0, qreal(bands) * h.layout->section.height));
        }
    } catch (...) {
        h.running = false;
        try {
            hosted.Report_ReportEnd();
        } catch (const std::exception& second) {
            // The first error is the one the host reports; a later one is only logged.
            qCWarning(lcReport).noquote() << hosted.name() << "end:" << second.what();
        }
        throw;
    }
    h.running = false;
    hosted.Report_ReportEnd();
}

} // namespace kema::report
