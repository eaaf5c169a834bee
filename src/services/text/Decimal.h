#pragma once

#include <QDate>
#include <QString>
#include <QStringView>
#include <QTime>
#include <QVariant>

#include <optional>

// Shared by the conversions and the formatter; not part of the public interface.
namespace kema::text {

// A decimal number 0.digits × 10^point: digits without leading or trailing zeros, empty for
// zero. 1234.5 is {"12345", 4}, 0.05 is {"5", -1}.
struct Decimal {
    bool negative = false;
    QString digits;
    int point = 0;

    bool isZero() const { return digits.isEmpty(); }
};

// How a value is read: its Qt type folded into the kinds the conversions tell apart.
enum class Kind { Null, Bool, Signed, Unsigned, Double, Float, Date, DateTime, Time, Text };
Kind kindOf(const QVariant& value);

// Blanks (spaces and tabs) removed from both ends.
QStringView trimBlanks(QStringView s);

// The number a text reads as, with the digits it was written with; nothing when it does not.
std::optional<Decimal> parseNumber(QStringView text);
// The text's value as the nearest double; call only on texts parseNumber accepts.
double numberTextToDouble(QStringView text);

Decimal decimalOf(double value);
Decimal decimalOf(float value);

// The number a value reads as: Null, dates and texts that are not numbers give nothing.
std::optional<Decimal> decimalOf(const QVariant& value);

// value rounded to `decimals` places after the point, halves away from zero.
Decimal roundedAwayFromZero(const Decimal& value, int decimals);

QString plainText(const Decimal& value);

struct DateTimeText {
    QDate date;
    QTime time;
};
// The date (and time, midnight when absent) a text reads as.
std::optional<DateTimeText> parseDate(QStringView text);

// The date a value reads as: a QDate, a QDateTime or a text that reads as a date.
std::optional<QDate> dateOf(const QVariant& value);

} // namespace kema::text
