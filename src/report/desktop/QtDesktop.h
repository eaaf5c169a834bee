#pragma once

#include "report/print/Desktop.h"

class QPrinter;

namespace kema::report {

// The desktop on Qt's widgets and printing: what the module hands the engine, and what a
// program that links the desktop itself passes to useDesktop().
Desktop& qtDesktop();

// The QPrinter behind a printer the desktop created.
QPrinter& qPrinter(Printer& printer);

} // namespace kema::report
