#pragma once

#include "services/Error.h"

#include <QString>
#include <QVariant>

namespace kema {

// Conversions of database values and texts that never fail: what cannot be converted gives 0 or
// the empty text.
//
// Blanks are spaces and tabs.
//
// A text reads as a number when, after removing surrounding blanks, it is
//     [sign] integer-part [ "." [digits] ] [exponent]   or   [sign] "." digits [exponent]
// where sign is one "+" or "-" directly before the digits (a trailing sign, "12-", is not a
// number), the integer part is plain digits ("1234") or digits grouped by thousands with ","
// ("1,234", "12,345,678"; the first group 1 to 3 digits, every further group exactly 3),
// exponent is "e" or "E", an optional sign and digits, and the value is finite as a double.
// Digits are ASCII. Not numbers: "", "+", ".", "1,23", "1.234,5", "\100", "(5)", "&H10", "１２".
//
// A text reads as a date when, after removing surrounding blanks, it is
//     yyyy/m/d   or   yyyy-m-d   optionally followed by a time
// with a four-digit year (0001 to 9999), a month and a day of one or two digits that name a day
// of the Gregorian calendar, and the same separator twice. The time follows after blanks or a
// "T": h:mm or h:mm:ss with an hour of one or two digits (0 to 23), and optionally a fraction of
// a second after a ".". "19800512" is a number, not a date; "1980/5/12" and "1980-05-12 14:30"
// are dates; "1980/02/30", "80/5/12" and "1980年5月12日" are not.
//
// Values that are not texts: integers of every width, double and float are numbers (a NaN or an
// infinity is not); a bool is a number, true being 1 and false 0 (as a SQL bit reads); QDate and
// QDateTime are dates (when valid). Any other type is read through its text.

// SQL Null: a null or invalid QVariant.
bool isNull(const QVariant& value);

// Length in bytes of the text in code page 932: a full-width character counts 2, ASCII and
// half-width kana 1. A character the code page lacks counts 1, as the "?" it is replaced with.
qint32 AnsiByteLength(const QString& text);

bool IsNumeric(const QVariant& value);
bool IsDate(const QVariant& value);

// The value as a whole number, rounded to the nearest (halves to the even neighbour); 0 for Null,
// for a value that does not read as a number and for a result out of range.
qint16 ToInteger16(const QVariant& value);
qint32 ToInteger32(const QVariant& value);
// The value as a double; 0 for Null and for a value that does not read as a number. A float is
// read from its shortest decimal form, so a single-precision 1.1 gives the double 1.1.
double ToDouble(const QVariant& value);

// Number text of an ini value: the trimmed text must read as a number; it is rounded halves to
// even. Not a number: error 13 "Type mismatch"; outside -32768 to 32767: error 6 "Overflow". The
// caller names the source it reports.
Result<qint16> ToInteger16Strict(const QString& text);

// The value as text; Null gives the empty text. Numbers of any type in their shortest plain form
// (DecimalText), bool as "1" or "0", QDate as "yyyy/MM/dd", QDateTime as "yyyy/MM/dd" at
// midnight and "yyyy/MM/dd hh:mm:ss" otherwise, QTime as "hh:mm:ss", texts unchanged.
QString NullToEmpty(const QVariant& value);
// As NullToEmpty, and the empty text when that text with surrounding blanks removed is "0".
QString NullOrZeroToEmpty(const QVariant& value);

// Shortest plain text, never with an exponent, of the double rounded to 15 significant digits:
// -2.5, 0.05, 90, 1e20 gives "100000000000000000000". -0 is "0"; NaN and infinities give the
// empty text.
QString DecimalText(double value);
// The float's own shortest form: 1.1f gives "1.1", not the digits of its widened double.
QString DecimalText(float value);

} // namespace kema
