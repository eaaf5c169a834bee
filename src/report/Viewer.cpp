#include "report/Viewer.h"

#include "report/print/Desktop.h"

namespace kema::report {

Viewer::Viewer() = default;
Viewer::~Viewer() = default;

} // namespace kema::report
