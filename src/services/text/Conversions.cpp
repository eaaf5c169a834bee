#include "services/text/Conversions.h"
#include "services/ErrorNumbers.h"

#include "services/text/Decimal.h"
#include "services/text/Encoding.h"

#include <QDate>
#include <QDateTime>

#include <cmath>
#include <limits>
#include <optional>

namespace kema {

using text::Decimal;

namespace {

// The whole number nearest to `value`, halves to the even neighbour; nothing when it does not
// fit 64 bits.
std::optional<qint64> roundedHalfEven(const Decimal& value) {
    if (value.isZero() || value.point < 0)
        return value.isZero() || value.point < 0 ? std::optional<qint64>(0) : std::nullopt;
    if (value.point > 18)
        return std::nullopt;
    const QString& digits = value.digits;
    const qsizetype whole = value.point;
    qint64 n = 0;
    for (qsizetype i = 0; i < whole; ++i)
        n = n * 10 + (i < digits.size() ? digits[i].unicode() - u'0' : 0);
    if (whole < digits.size()) {
        const int first = digits[whole].unicode() - u'0';
        const bool more = whole + 1 < digits.size(); // digits carry no trailing zeros
        if (first > 5 || (first == 5 && (more || n % 2 != 0)))
            ++n;
    }
    return value.negative ? -n : n;
}

// Exactly 0.5 from a whole number rounds to 0 when that is even: 0.5 → 0, -0.5 → 0.
std::optional<qint64> wholeNumber(const QVariant& value) {
    if (!IsNumeric(value))
        return std::nullopt;
    if (value.metaType().id() == QMetaType::QString ||
        value.metaType().id() == QMetaType::QByteArray) {
        const auto parsed = text::parseNumber(value.toString());
        return parsed ? roundedHalfEven(*parsed) : std::nullopt;
    }
    switch (value.metaType().id()) {
    case QMetaType::Double:
    case QMetaType::Float: {
        const double v = value.toDouble();
        if (std::fabs(v) >= 9.2e18)
            return std::nullopt;
        return qint64(std::nearbyint(v)); // the default rounding mode is halves to even
    }
    default: {
        const auto decimal = text::decimalOf(value);
        return decimal ? roundedHalfEven(*decimal) : std::nullopt;
    }
    }
}

template <typename Int> Int inRange(std::optional<qint64> n) {
    if (!n || *n < std::numeric_limits<Int>::min() || *n > std::numeric_limits<Int>::max())
        return 0;
    return Int(*n);
}

} // namespace

bool isNull(const QVariant& value) {
    return !value.isValid() || value.isNull();
}

qint32 AnsiByteLength(const QString& text) {
    return qint32(ToCp932(text).size());
}

bool IsNumeric(const QVariant& value) {
    return text::decimalOf(value).has_value();
}

bool IsDate(const QVariant& value) {
    return text::dateOf(value).has_value();
}

qint16 ToInteger16(const QVariant& value) {
    return inRange<qint16>(wholeNumber(value));
}

qint32 ToInteger32(const QVariant& value) {
    return inRange<qint32>(wholeNumber(value));
}

double ToDouble(const QVariant& value) {
    if (!IsNumeric(value))
        return 0;
    switch (value.metaType().id()) {
    case QMetaType::QString:
    case QMetaType::QByteArray:
        return text::numberTextToDouble(value.toString());
    case QMetaType::Bool:
        return value.toBool() ? 1 : 0;
    case QMetaType::Float:
        return text::numberTextToDouble(DecimalText(value.toFloat()));
    default:
        return value.toDouble();
    }
}

Result<qint16> ToInteger16Strict(const QString& text) {
    const auto parsed = text::parseNumber(text);
    if (!parsed)
        return Error{errors::TypeMismatch, QStringLiteral("ToInteger16Strict"),
                     QStringLiteral("Type mismatch")};
    const auto n = roundedHalfEven(*parsed);
    if (!n || *n < -32768 || *n > 32767)
        return Error{errors::Overflow, QStringLiteral("ToInteger16Strict"),
                     QStringLiteral("Overflow")};
    return qint16(*n);
}

QString NullToEmpty(const QVariant& value) {
    switch (text::kindOf(value)) {
    case text::Kind::Null:
        return {};
    case text::Kind::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case text::Kind::Double:
        return DecimalText(value.toDouble());
    case text::Kind::Float:
        return DecimalText(value.toFloat());
    case text::Kind::Signed:
        return QString::number(value.toLongLong());
    case text::Kind::Unsigned:
        return QString::number(value.toULongLong());
    case text::Kind::Date:
        return value.toDate().toString(QStringLiteral("yyyy/MM/dd"));
    case text::Kind::DateTime: {
        const QDateTime moment = value.toDateTime();
        return moment.time() == QTime(0, 0)
                   ? moment.toString(QStringLiteral("yyyy/MM/dd"))
                   : moment.toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
    }
    case text::Kind::Time:
        return value.toTime().toString(QStringLiteral("hh:mm:ss"));
    case text::Kind::Text:
        break;
    }
    return value.toString();
}

QString NullOrZeroToEmpty(const QVariant& value) {
    const QString text = NullToEmpty(value);
    return text::trimBlanks(text) == u"0" ? QString() : text;
}

QString DecimalText(double value) {
    if (!std::isfinite(value))
        return {};
    return text::plainText(text::decimalOf(value));
}

QString DecimalText(float value) {
    if (!std::isfinite(value))
        return {};
    return text::plainText(text::decimalOf(value));
}

} // namespace kema
