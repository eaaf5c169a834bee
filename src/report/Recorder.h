#pragma once

#include "report/Document.h"

#include <QPointF>
#include <QString>

#include <map>
#include <unordered_map>
#include <vector>

namespace kema::report {

class Control;
class Report;

// Builds the display list of one run: each record becomes a page of primitives taken from the
// controls as the report's events left them. A control that did not change since it was last
// recorded at the same place lists the same primitives again instead of new copies. A hosted
// report runs its own events inside the page, at its subreport's corner.
class Recorder {
public:
    explicit Recorder(Document& document);

    // Appends one page with the report's visible controls.
    void recordPage(Report& report);
    // Every face a text of the document asks for, with the first font that asks for it.
    const std::map<QString, TextFont>& faces() const { return m_faces; }

private:
    struct Emitted {
        quint64 revision = 0;
        QPointF origin;
        std::vector<quint32> items;
    };

    void layOut(Report& report, Page& page, QPointF origin);
    void place(const Control& control, Page& page, QPointF origin);
    void runHosted(Report& hosted, Page& page, QPointF origin);

    Document& m_document;
    std::map<QString, TextFont> m_faces;
    std::unordered_map<const Control*, Emitted> m_emitted;
};

} // namespace kema::report
