#include "services/text/Encoding.h"

#include <unicode/ucnv.h>

#include <memory>

namespace kema {
namespace {

struct ConverterClose {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterClose>;

// ICU's alias of the Windows code page; its 0x5C and 0x7E are the ASCII characters.
Converter openCp932() {
    UErrorCode status = U_ZERO_ERROR;
    Converter c(ucnv_open("ibm-943_P15A-2003", &status));
    if (U_FAILURE(status))
        qFatal("ICU has no converter for code page 932: %s", u_errorName(status));
    status = U_ZERO_ERROR;
    ucnv_setSubstChars(c.get(), "?", 1, &status);
    return c;
}

// A converter keeps state between calls; one per thread keeps the helpers thread-safe.
UConverter* cp932() {
    thread_local Converter c = openCp932();
    ucnv_reset(c.get());
    return c.get();
}

const UChar* utf16(const QString& text) {
    return reinterpret_cast<const UChar*>(text.utf16());
}

} // namespace

QByteArray ToCp932(const QString& text) {
    if (text.isEmpty())
        return {};
    UConverter* c = cp932();
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length =
        ucnv_fromUChars(c, nullptr, 0, utf16(text), int32_t(text.size()), &status);
    QByteArray out(length, Qt::Uninitialized);
    status = U_ZERO_ERROR;
    ucnv_reset(c);
    ucnv_fromUChars(c, out.data(), length, utf16(text), int32_t(text.size()), &status);
    return out;
}

QString FromCp932(const QByteArray& bytes) {
    if (bytes.isEmpty())
        return {};
    UConverter* c = cp932();
    UErrorCode status = U_ZERO_ERROR;
    // One byte never yields more than one UTF-16 unit in this code page.
    QString out(bytes.size(), Qt::Uninitialized);
    const int32_t length =
        ucnv_toUChars(c, reinterpret_cast<UChar*>(out.data()), int32_t(out.size()),
                      bytes.constData(), int32_t(bytes.size()), &status);
    out.truncate(U_FAILURE(status) ? 0 : length);
    return out;
}

} // namespace kema
