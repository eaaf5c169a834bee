// A layout file; the seeds are named "fuzz" as the file is.
#include "InputFile.h"

#include "report/Layout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
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
    return 0;
}
