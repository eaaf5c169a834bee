#pragma once

#include "services/messages/Messages.h"

#include <QtGlobal>

namespace kema::component {

// Registers the product's reports with the factory and the desktop's message box (once per
// process): the shared library does it when it is loaded, the command-line host at its start.
// Unit tests register reports and message displays of their own instead.
void registerProduct();

// The desktop's modal message box; false when no window can be shown.
bool presentInMessageBox(const DesktopMessage& message);

} // namespace kema::component
