// The text helpers. An input is a kind letter, a newline, the pattern, a newline and the value's
// text, read as the kind says:
//   s text   d double   f float   i qint64   u quint64   b bool ("1" is true)   n Null
//   D QDate (ISO)   J QDate of a Julian day   T QDateTime (ISO)   B QByteArray
// so that "s\n0000/00/00\n19800512" formats the text 19800512 with the pattern 0000/00/00.
#include "services/text/Conversions.h"
#include "services/text/Encoding.h"
#include "services/text/Format.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

QVariant valueOf(char kind, const QByteArray& bytes) {
    const QString text = QString::fromUtf8(bytes);
    switch (kind) {
    case 'd':
        return text.toDouble();
    case 'f':
        return text.toFloat();
    case 'i':
        return text.toLongLong();
    case 'u':
        return text.toULongLong();
    case 'b':
        return text == u"1";
    case 'n':
        return QVariant();
    case 'D':
        return QDate::fromString(text, Qt::ISODate);
    case 'J':
        return QDate::fromJulianDay(text.toLongLong());
    case 'T':
        return QDateTime::fromString(text, Qt::ISODate);
    case 'B':
        return bytes;
    default:
        return text;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    if (input.size() < 2 || input.at(1) != '\n')
        return 0;
    const qsizetype end = input.indexOf('\n', 2);
    if (end < 0)
        return 0;
    const QString pattern = QString::fromUtf8(input.mid(2, end - 2));
    const QByteArray bytes = input.mid(end + 1);
    const QVariant value = valueOf(input.at(0), bytes);

    (void)kema::Format(value, pattern);
    (void)kema::IsDate(value);
    (void)kema::ToInteger16(value);
    (void)kema::ToInteger32(value);
    (void)kema::NullOrZeroToEmpty(value);
    const double number = kema::ToDouble(value);
    if (number != 0 && !kema::IsNumeric(value))
        std::abort();
    // The plain texts of finite numbers read back as numbers.
    for (const QString& plain :
         {kema::DecimalText(number), kema::DecimalText(static_cast<float>(number))}) {
        if (!plain.isEmpty() && !kema::IsNumeric(plain))
            std::abort();
    }
    const QString text = kema::NullToEmpty(value);
    if (kema::ToInteger16Strict(text) && !kema::IsNumeric(text))
        std::abort();
    (void)kema::AnsiByteLength(text);
    (void)kema::ToCp932(text);
    // Bytes that are not code page 932 still come back, as U+FFFD.
    if (!bytes.isEmpty() && kema::FromCp932(bytes).isEmpty())
        std::abort();
    return 0;
}
