#include "component/Product.h"

#include "report/print/Desktop.h"
#include "request/Application.h"
#include "services/messages/Messages.h"

#include <QCoreApplication>

namespace kema::component {

// A modal box only when somebody can answer it; otherwise the message becomes a line on
// standard error.
bool presentInMessageBox(const DesktopMessage& message) {
    const QCoreApplication* app = QCoreApplication::instance();
    if (!app || !app->inherits("QApplication") || !request::platformShowsWindows())
        return false;
    const Result<report::Desktop*> desktop = report::desktop();
    return desktop && desktop.value()->showMessageBox(message);
}

} // namespace kema::component
