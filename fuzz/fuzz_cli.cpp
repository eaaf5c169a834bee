// raiten's command line, one argument a line.
#include "raiten/Options.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <variant>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto parsed = raiten::parse(text.split(u'\n'));
    if (const auto* error = std::get_if<raiten::UsageError>(&parsed);
        error && error->text.isEmpty())
        std::abort();
    return 0;
}
