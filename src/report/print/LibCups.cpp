#include "report/print/LibCups.h"

#include <dlfcn.h>

#include <optional>
#include <string>

namespace kema::report {

namespace {

struct Loaded {
    std::optional<LibCups> functions;
    std::string error;
};

Loaded load() {
    // The soname of the Debian package libcups2, the one the headers belong to.
    void* library = dlopen("libcups.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return {std::nullopt, dlerror()};
    LibCups functions;
#define KEMA_LIBCUPS_LOAD(name)                                                                    \
    functions.name = reinterpret_cast<decltype(functions.name)>(dlsym(library, #name));            \
    if (!functions.name)                                                                           \
        return {std::nullopt, "libcups.so.2 lacks " #name};
    KEMA_LIBCUPS_FUNCTIONS(KEMA_LIBCUPS_LOAD)
#undef KEMA_LIBCUPS_LOAD
    return {functions, {}};
}

const Loaded& loaded() {
    static const Loaded library = load();
    return library;
}

} // namespace

const LibCups* libCups() {
    return loaded().functions ? &*loaded().functions : nullptr;
}

const char* libCupsError() {
    return loaded().error.c_str();
}

} // namespace kema::report
