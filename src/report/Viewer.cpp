#include "report/Viewer.h"

#include <QPrinter>

namespace kema::report {

Viewer::Viewer() = default;
Viewer::~Viewer() = default;

QPrinter& Viewer::printer() {
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

} // namespace kema::report
