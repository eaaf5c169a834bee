#pragma once

namespace kema::request {

// Chooses the offscreen platform when the process has no display and nobody named a platform,
// so that a host without a screen can still print and render files. Call it before the
// application object is created.
void selectPlatformWithoutDisplay();

// True when the GUI platform in use can show a window to somebody.
bool platformShowsWindows();

// True when a preview may be shown: the platform shows windows, or KEMA_OFFSCREEN_PREVIEW=1
// lets a test drive the preview on the offscreen platform.
bool previewCanBeShown();

} // namespace kema::request
