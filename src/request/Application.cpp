#include "request/Application.h"

#include <QGuiApplication>

namespace kema::request {

void selectPlatformWithoutDisplay() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

bool platformShowsWindows() {
    const QString platform = QGuiApplication::platformName();
    return !platform.isEmpty() && platform != u"offscreen" && platform != u"minimal";
}

bool previewCanBeShown() {
    return platformShowsWindows() || qEnvironmentVariable("KEMA_OFFSCREEN_PREVIEW") == u"1";
}

} // namespace kema::request
