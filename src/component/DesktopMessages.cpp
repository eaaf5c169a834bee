#include "component/Product.h"

#include "request/Application.h"
#include "services/messages/Messages.h"

#include <QApplication>
#include <QMessageBox>

namespace kema::component {

// A modal box only when somebody can answer it; otherwise the message becomes a line on
// standard error.
bool presentInMessageBox(const DesktopMessage& message) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()) ||
        !request::platformShowsWindows())
        return false;
    QMessageBox box(message.critical ? QMessageBox::Critical : QMessageBox::Warning, message.title,
                    message.text, QMessageBox::Ok);
    if (!message.detail.isEmpty())
        box.setInformativeText(message.detail);
    box.exec();
    return true;
}

} // namespace kema::component
