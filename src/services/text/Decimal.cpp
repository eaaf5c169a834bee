#include "services/text/Decimal.h"

#include "services/text/Conversions.h"

#include <QDateTime>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace kema::text {
namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

qsizetype digitRun(QStringView s, qsizetype from) {
    qsizetype i = from;
    while (i < s.size() && isDigit(s[i]))
        ++i;
    return i - from;
}

int digitsValue(QStringView s) {
    int v = 0;
    for (QChar c : s)
        v = v * 10 + (c.unicode() - u'0');
    return v;
}

Decimal normalized(bool negative, QString digits, int point) {
    qsizetype lead = 0;
    while (lead < digits.size() && digits[lead] == u'0')
        ++lead;
    digits.remove(0, lead);
    point -= int(lead);
    qsizetype end = digits.size();
    while (end > 0 && digits[end - 1] == u'0')
        --end;
    digits.truncate(end);
    if (digits.isEmpty())
        return {};
    return {negative, digits, point};
}

// Digits and exponent of to_chars' scientific form "d.ddde+XX".
Decimal fromScientific(bool negative, const char* begin, const char* end) {
    QString digits;
    const char* p = begin;
    for (; p != end && *p != 'e'; ++p) {
        if (*p != '.')
            digits += QLatin1Char(*p);
    }
    int exponent = 0;
    if (p != end)
        std::from_chars(p + (p[1] == '+' ? 2 : 1), end, exponent);
    return normalized(negative, digits, exponent + 1);
}

} // namespace

Kind kindOf(const QVariant& v) {
    if (isNull(v))
        return Kind::Null;
    switch (v.typeId()) {
    case QMetaType::Bool:
        return Kind::Bool;
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::Short:
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
        return Kind::Signed;
    case QMetaType::UChar:
    case QMetaType::UShort:
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        return Kind::Unsigned;
    case QMetaType::Double:
        return Kind::Double;
    case QMetaType::Float:
        return Kind::Float;
    case QMetaType::QDate:
        return Kind::Date;
    case QMetaType::QDateTime:
        return Kind::DateTime;
    case QMetaType::QTime:
        return Kind::Time;
    default:
        return Kind::Text;
    }
}

QStringView trimBlanks(QStringView s) {
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && (s[begin] == u' ' || s[begin] == u'\t'))
        ++begin;
    while (end > begin && (s[end - 1] == u' ' || s[end - 1] == u'\t'))
        --end;
    return s.mid(begin, end - begin);
}

namespace {

// The grammar of a number text, without the test of its range.
std::optional<Decimal> scanNumber(QStringView text) {
    const QStringView s = trimBlanks(text);
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        negative = s[i++] == u'-';
    QString digits;
    qsizetype run = digitRun(s, i);
    digits += s.mid(i, run);
    i += run;
    if (i < s.size() && s[i] == u',') {
        if (run < 1 || run > 3)
            return std::nullopt;
        while (i < s.size() && s[i] == u',') {
            if (digitRun(s, i + 1) != 3)
                return std::nullopt;
            digits += s.mid(i + 1, 3);
            i += 4;
        }
    }
    const int integerDigits = int(digits.size());
    if (i < s.size() && s[i] == u'.') {
        run = digitRun(s, ++i);
        digits += s.mid(i, run);
        i += run;
    }
    if (digits.isEmpty())
        return std::nullopt;
    int exponent = 0;
    if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
            negativeExponent = s[i++] == u'-';
        run = digitRun(s, i);
        if (run == 0)
            return std::nullopt;
        qsizetype significant = i;
        while (significant < i + run - 1 && s[significant] == u'0')
            ++significant;
        // Any exponent beyond a double's range overflows or vanishes alike.
        exponent = digitsValue(s.mid(significant, std::min<qsizetype>(i + run - significant, 6)));
        if (negativeExponent)
            exponent = -exponent;
        i += run;
    }
    if (i != s.size())
        return std::nullopt;
    return normalized(negative, digits, integerDigits + exponent);
}

} // namespace

std::optional<Decimal> parseNumber(QStringView text) {
    std::optional<Decimal> d = scanNumber(text);
    if (d && !std::isfinite(numberTextToDouble(text)))
        return std::nullopt;
    return d;
}

double numberTextToDouble(QStringView text) {
    QByteArray plain = trimBlanks(text).toLatin1();
    plain.replace(',', QByteArray());
    const bool negative = plain.startsWith('-');
    if (negative || plain.startsWith('+'))
        plain.remove(0, 1);
    double value = 0;
    const std::errc error =
        std::from_chars(plain.constData(), plain.constData() + plain.size(), value).ec;
    if (error == std::errc::result_out_of_range) {
        // Underflow and overflow look alike; the magnitude tells them apart.
        const std::optional<Decimal> d = scanNumber(text);
        value = d && d->point > 0 ? std::numeric_limits<double>::infinity() : 0;
    }
    return negative ? -value : value;
}

Decimal decimalOf(double value) {
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                 std::chars_format::scientific, 14);
    return fromScientific(value < 0, buffer, r.ptr);
}

Decimal decimalOf(float value) {
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                 std::chars_format::scientific);
    return fromScientific(value < 0, buffer, r.ptr);
}

std::optional<Decimal> decimalOf(const QVariant& value) {
    switch (kindOf(value)) {
    case Kind::Bool:
        return value.toBool() ? Decimal{false, QStringLiteral("1"), 1} : Decimal{};
    case Kind::Signed: {
        const qlonglong v = value.toLongLong();
        QString digits = QString::number(v);
        if (v < 0)
            digits.remove(0, 1);
        return normalized(v < 0, digits, int(digits.size()));
    }
    case Kind::Unsigned: {
        const QString digits = QString::number(value.toULongLong());
        return normalized(false, digits, int(digits.size()));
    }
    case Kind::Double: {
        const double d = value.toDouble();
        return std::isfinite(d) ? std::optional(decimalOf(d)) : std::nullopt;
    }
    case Kind::Float: {
        const float f = value.toFloat();
        return std::isfinite(f) ? std::optional(decimalOf(f)) : std::nullopt;
    }
    case Kind::Text:
        return parseNumber(value.toString());
    default:
        return std::nullopt;
    }
}

Decimal roundedAwayFromZero(const Decimal& value, int decimals) {
    const int kept = value.point + decimals;
    if (value.digits.size() <= kept)
        return value;
    if (kept < 0)
        return {};
    QString digits = value.digits.left(kept);
    int point = value.point;
    if (value.digits[kept] >= u'5') {
        qsizetype i = digits.size() - 1;
        while (i >= 0 && digits[i] == u'9')
            digits[i--] = u'0';
        if (i < 0) {
            digits.prepend(u'1');
            ++point;
        } else {
            digits[i] = QChar(digits[i].unicode() + 1);
        }
    }
    return normalized(value.negative, digits, point);
}

QString plainText(const Decimal& value) {
    if (value.isZero())
        return QStringLiteral("0");
    const int size = int(value.digits.size());
    QString out = value.negative ? QStringLiteral("-") : QString();
    if (value.point <= 0)
        out += QStringLiteral("0.") + QString(-value.point, u'0') + value.digits;
    else if (value.point >= size)
        out += value.digits + QString(value.point - size, u'0');
    else
        out += value.digits.left(value.point) + u'.' + value.digits.mid(value.point);
    return out;
}

std::optional<DateTimeText> parseDate(QStringView text) {
    const QStringView s = trimBlanks(text);
    if (digitRun(s, 0) != 4 || s.size() < 5 || (s[4] != u'/' && s[4] != u'-'))
        return std::nullopt;
    const QChar separator = s[4];
    qsizetype i = 5;
    const qsizetype monthDigits = digitRun(s, i);
    if (monthDigits < 1 || monthDigits > 2 || i + monthDigits >= s.size() ||
        s[i + monthDigits] != separator)
        return std::nullopt;
    const int month = digitsValue(s.mid(i, monthDigits));
    i += monthDigits + 1;
    const qsizetype dayDigits = digitRun(s, i);
    if (dayDigits < 1 || dayDigits > 2)
        return std::nullopt;
    const int day = digitsValue(s.mid(i, dayDigits));
    i += dayDigits;
    const int year = digitsValue(s.left(4));
    const QDate date(year, month, day);
    if (year < 1 || !date.isValid())
        return std::nullopt;
    if (i == s.size())
        return DateTimeText{date, QTime(0, 0)};

    if (s[i] == u'T') {
        ++i;
    } else {
        const qsizetype start = i;
        while (i < s.size() && (s[i] == u' ' || s[i] == u'\t'))
            ++i;
        if (i == start)
            return std::nullopt;
    }
    const qsizetype hourDigits = digitRun(s, i);
    if (hourDigits < 1 || hourDigits > 2 || i + hourDigits >= s.size() || s[i + hourDigits] != u':')
        return std::nullopt;
    const int hour = digitsValue(s.mid(i, hourDigits));
    i += hourDigits + 1;
    if (digitRun(s, i) != 2)
        return std::nullopt;
    const int minute = digitsValue(s.mid(i, 2));
    i += 2;
    int second = 0;
    int millisecond = 0;
    if (i < s.size() && s[i] == u':') {
        if (digitRun(s, ++i) != 2)
            return std::nullopt;
        second = digitsValue(s.mid(i, 2));
        i += 2;
        if (i < s.size() && s[i] == u'.') {
            const qsizetype fraction = digitRun(s, ++i);
            if (fraction == 0)
                return std::nullopt;
            const QString milliseconds = s.mid(i, std::min<qsizetype>(fraction, 3)).toString();
            millisecond = digitsValue(milliseconds.leftJustified(3, u'0'));
            i += fraction;
        }
    }
    const QTime time(hour, minute, second, millisecond);
    if (i != s.size() || !time.isValid())
        return std::nullopt;
    return DateTimeText{date, time};
}

std::optional<QDate> dateOf(const QVariant& value) {
    switch (kindOf(value)) {
    case Kind::Date: {
        const QDate d = value.toDate();
        return d.isValid() ? std::optional(d) : std::nullopt;
    }
    case Kind::DateTime: {
        const QDateTime dt = value.toDateTime();
        return dt.isValid() ? std::optional(dt.date()) : std::nullopt;
    }
    case Kind::Text: {
        const auto parsed = parseDate(value.toString());
        return parsed ? std::optional(parsed->date) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

} // namespace kema::text
