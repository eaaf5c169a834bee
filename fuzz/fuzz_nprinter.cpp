// The printer-offset ini of the pre-printed forms.
#include "InputFile.h"

#include "report/print/PageSetup.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto offsets =
        kema::report::readPrinterOffsets(kema::fuzz::writeInput("Nprinter.ini", data, size));
    if (!offsets && offsets.error().description.isEmpty())
        std::abort();
    return 0;
}
