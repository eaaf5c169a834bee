#pragma once

#include <QString>
#include <QVariant>

namespace kema {

// Formats a value with a pattern of the kinds the slips use. Null gives the empty text; a value
// the pattern cannot apply to comes back as its NullToEmpty text, unchanged (untrimmed).
//
// Number patterns are made of digit positions "0" (always a digit) and "#" (a digit only when
// significant), at most one ".", "," between integer positions (thousands separators) and any
// other character as a literal kept in its place ("0000/00/00" turns 19800512 into
// "1980/05/12"). They apply to values that read as numbers (see Conversions.h); a text is read
// from its decimal digits, a double from its 15 significant digits, so 2.675 is 2.675 and not
// the binary value below it. Decimals beyond the pattern are rounded, halves away from zero
// (0.125 with "0.00" is "0.13", -2.5 with "0" is "-3"). Integer digits beyond the pattern's
// positions are kept. A negative value gets a leading "-" unless it prints as zero: -0.001 with
// "0.00" is "0.00", and zero with "#" or "###" is the empty text.
//
// Date patterns are recognised by containing any of the letters y, m, d, g, e, in either case:
//     yyyy  four-digit year          yy  two-digit year
//     mm    two-digit month          m   month
//     dd    two-digit day            d   day
//     ggg   era name (平成)           gg  its first character (平)   g  its letter (H)
//     ee    two-digit era year       e   era year
// "mm" and "MM" are always the month (there are no time positions), so "YYYY/mm/dd" and
// "yyyy/MM/dd" are the same pattern. Any other character is a literal. The era year is written
// with digits, "平成 01年", never "元年". Eras follow the Japanese calendar: 明治 from 1868-09-08,
// 大正 from 1912-07-30, 昭和 from 1926-12-25, 平成 from 1989-01-08, 令和 from 2019-05-01, and
// the earlier eras before those; a date before the first era (大化, 645) comes back unchanged
// with an era pattern. Date patterns apply to QDate, QDateTime and texts that read as dates; a
// number is never taken for a date and comes back as its plain text.
//
// A pattern with neither digit positions nor date letters gives the value's text.
QString Format(const QVariant& value, const QString& pattern);

} // namespace kema
