#pragma once

#include <cups/cups.h>

namespace kema::report {

// The libcups functions the product calls, each under its own name.
#define KEMA_LIBCUPS_FUNCTIONS(X)                                                                  \
    X(cupsAddOption)                                                                               \
    X(cupsCancelDestJob)                                                                           \
    X(cupsCopyDestInfo)                                                                            \
    X(cupsCreateDestJob)                                                                           \
    X(cupsDoRequest)                                                                               \
    X(cupsEncryption)                                                                              \
    X(cupsFinishDestDocument)                                                                      \
    X(cupsFreeDestInfo)                                                                            \
    X(cupsFreeDests)                                                                               \
    X(cupsFreeOptions)                                                                             \
    X(cupsGetDests2)                                                                               \
    X(cupsGetNamedDest)                                                                            \
    X(cupsGetOption)                                                                               \
    X(cupsLastError)                                                                               \
    X(cupsLastErrorString)                                                                         \
    X(cupsServer)                                                                                  \
    X(cupsStartDestDocument)                                                                       \
    X(cupsWriteRequestData)                                                                        \
    X(httpClose)                                                                                   \
    X(httpConnect2)                                                                                \
    X(httpSetTimeout)                                                                              \
    X(ippAddString)                                                                                \
    X(ippDelete)                                                                                   \
    X(ippFindAttribute)                                                                            \
    X(ippGetString)                                                                                \
    X(ippNewRequest)                                                                               \
    X(ippPort)

struct LibCups {
#define KEMA_LIBCUPS_POINTER(name) decltype(&::name) name = nullptr;
    KEMA_LIBCUPS_FUNCTIONS(KEMA_LIBCUPS_POINTER)
#undef KEMA_LIBCUPS_POINTER
};

// libcups, loaded when first asked for: a run that prints to a file or a preview never maps it
// and the two dozen libraries it brings, which cost a cold start milliseconds. Null when it
// cannot be loaded (the reason is in libCupsError()).
const LibCups* libCups();
const char* libCupsError();

} // namespace kema::report
