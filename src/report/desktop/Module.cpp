#include "report/desktop/QtDesktop.h"

// The one symbol the module exports: the engine looks it up after loading the module.
extern "C" __attribute__((visibility("default"))) kema::report::Desktop* kema_desktop_create() {
    return &kema::report::qtDesktop();
}
