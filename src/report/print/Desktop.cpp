#include "report/print/Desktop.h"
#include "services/ErrorNumbers.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <dlfcn.h>

namespace kema::report {

namespace {

Desktop* g_linked = nullptr;

using CreateDesktop = Desktop* (*)();

Result<Desktop*> load() {
    const QString name = QStringLiteral(KEMA_DESKTOP_MODULE_NAME);
    QStringList candidates;
    // In the private folder beside the object the engine is part of, the shared library; from the
    // program that contains it, in the installed library directory's; else where the build put it.
    Dl_info self{};
    if (dladdr(reinterpret_cast<void*>(&desktop), &self) && self.dli_fname) {
        const QString dir = QFileInfo(QString::fromLocal8Bit(self.dli_fname)).absolutePath();
        candidates << dir + QStringLiteral("/tkv418/") + name
                   << dir + QStringLiteral("/" KEMA_DESKTOP_MODULE_FROM_PROGRAM "/tkv418/") + name;
    }
    candidates << QStringLiteral(KEMA_DESKTOP_MODULE_BUILT);
    QStringList reasons;
    for (const QString& file : std::as_const(candidates)) {
        if (!QFileInfo::exists(file))
            continue;
        void* module = dlopen(QFile::encodeName(file).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            reasons << QString::fromLocal8Bit(dlerror());
            continue;
        }
        auto create = reinterpret_cast<CreateDesktop>(dlsym(module, "kema_desktop_create"));
        if (create)
            return create();
        reasons << file + QStringLiteral(" lacks kema_desktop_create");
    }
    if (reasons.isEmpty())
        reasons << QStringLiteral("not found in %1").arg(candidates.join(u", "));
    return Error{errors::Printer, QStringLiteral("desktop"),
                 QStringLiteral("the desktop module %1 (printing, preview, message boxes) could "
                                "not be loaded: %2")
                     .arg(name, reasons.join(u"; "))};
}

} // namespace

Result<Desktop*> desktop() {
    if (g_linked)
        return g_linked;
    static const Result<Desktop*> loaded = load();
    return loaded;
}

void useDesktop(Desktop* linked) {
    g_linked = linked;
}

QCoreApplication* createApplication(int& argc, char** argv, bool withDesktop) {
    if (withDesktop)
        if (const Result<Desktop*> loaded = desktop())
            return loaded.value()->createApplication(argc, argv);
    return new QGuiApplication(argc, argv);
}

} // namespace kema::report
