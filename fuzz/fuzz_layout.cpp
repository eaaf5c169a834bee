// A layout file, and what the build packs of it; the seeds are named "fuzz" as the file is.
#include "InputFile.h"

#include "report/Layout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The same bytes as a damaged packed layout: an error or a layout, never a crash.
    const auto unpacked = kema::report::unpackLayout(
        QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)),
        QStringLiteral("fuzz"));
    if (!unpacked && unpacked.error().description.isEmpty())
        std::abort();
    const auto layout =
        kema::report::loadLayoutFile(kema::fuzz::writeInput("fuzz.json", data, size));
    if (!layout) {
        if (layout.error().description.isEmpty())
            std::abort();
        return 0;
    }
    for (const kema::report::LayoutControl& control : layout.value()->controls) {
        if (layout.value()->find(control.name) != &control)
            std::abort();
    }
    const auto back = kema::report::unpackLayout(kema::report::packLayout(*layout.value()),
                                                 QStringLiteral("fuzz"));
    if (!back || !(*back.value() == *layout.value()))
        std::abort();
    return 0;
}
