#include "services/text/Conversions.h"
#include "services/text/Format.h"

#include <QDateTime>
#include <QTest>

#include <limits>

using namespace kema;
using namespace Qt::StringLiterals;

namespace {

// What a SQL driver hands back for Null: a typed variant without a value.
QVariant sqlNull(QMetaType::Type type) {
    return QVariant(QMetaType(type));
}

QVariant date(int y, int m, int d) {
    return QDate(y, m, d);
}

QVariant text(const char* s) {
    return QString::fromUtf8(s);
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInfinity = std::numeric_limits<double>::infinity();

// The result of one of the conversions, as text.
QString apply(const QString& function, const QVariant& value) {
    if (function == u"IsNumeric")
        return IsNumeric(value) ? u"true"_s : u"false"_s;
    if (function == u"IsDate")
        return IsDate(value) ? u"true"_s : u"false"_s;
    if (function == u"ToInteger16")
        return QString::number(ToInteger16(value));
    if (function == u"ToInteger32")
        return QString::number(ToInteger32(value));
    if (function == u"ToDouble")
        return QString::number(ToDouble(value), 'g', 15);
    if (function == u"NullToEmpty")
        return NullToEmpty(value);
    if (function == u"NullOrZeroToEmpty")
        return NullOrZeroToEmpty(value);
    if (function == u"AnsiByteLength")
        return QString::number(AnsiByteLength(value.toString()));
    if (function == u"DecimalText")
        return value.typeId() == QMetaType::Float ? DecimalText(value.toFloat())
                                                  : DecimalText(value.toDouble());
    return u"no function "_s + function;
}

} // namespace

class TestText : public QObject {
    Q_OBJECT

private slots:
    void conversions_data() {
        QTest::addColumn<QString>("function");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("expected");
        QString function;
        const auto row = [&](const char* name, const QVariant& value, const char* expected) {
            QTest::addRow("%s: %s", qPrintable(function), name)
                << function << value << QString::fromUtf8(expected);
        };
        // Texts by the grammar of numbers; other values by their type.
        function = u"IsNumeric"_s;
        row("digits", text("12"), "true");
        row("blanks around", text("  12 "), "true");
        row("tab before", text("\t12"), "true");
        row("plus", text("+12"), "true");
        row("minus", text("-12"), "true");
        row("trailing minus", text("12-"), "false");
        row("blank after sign", text("- 12"), "false");
        row("two signs", text("+-12"), "false");
        row("grouped twice", text("12,345,678"), "true");
        row("grouped with decimals", text("-1,234.5"), "true");
        row("short group", text("1,23"), "false");
        row("long first group", text("1234,567"), "false");
        row("leading comma", text(",123"), "false");
        row("comma in decimals", text("1.234,5"), "false");
        row("point at end", text("12."), "true");
        row("point at start", text(".5"), "true");
        row("point alone", text("."), "false");
        row("sign alone", text("+"), "false");
        row("blanks only", text("   "), "false");
        row("negative exponent", text("2.5E-3"), "true");
        row("exponent without digits", text("1e"), "false");
        row("overflowing exponent", text("1e400"), "false");
        row("vanishing exponent", text("1e-400"), "true");
        row("digits then letters", text("12abc"), "false");
        row("full-width digits", text("１２"), "false");
        row("C hexadecimal", text("0x10"), "false");
        row("slashed date", text("1980/05/12"), "false");
        row("full-width space around", text("　12"), "false");
        row("qulonglong", std::numeric_limits<qulonglong>::max(), "true");
        row("float", 1.1f, "true");
        row("NaN", kNaN, "false");
        row("infinity", kInfinity, "false");
        row("bool", true, "true");
        row("date value", date(1980, 5, 12), "false");
        row("bytes", QByteArray("42"), "true");
        row("Null", sqlNull(QMetaType::Int), "false");

        function = u"IsDate"_s;
        row("slashes", text("1980/05/12"), "true");
        row("dashes", text("1980-05-12"), "true");
        row("one-digit month and day", text("1980/5/2"), "true");
        row("blanks around", text(" 1980/5/12  "), "true");
        row("mixed separators", text("1980/05-12"), "false");
        row("leap day", text("1980/02/29"), "true");
        row("no leap day", text("1981/02/29"), "false");
        row("month 13", text("1980/13/01"), "false");
        row("day 0", text("1980/01/00"), "false");
        row("two-digit year", text("80/5/12"), "false");
        row("year 0", text("0000/01/01"), "false");
        row("three-digit day", text("1980/05/123"), "false");
        row("yyyymmdd", text("19800512"), "false");
        row("Japanese form", text("1980年5月12日"), "false");
        row("hours and minutes", text("1980/05/12 14:30"), "true");
        row("one-digit hour and seconds", text("1980/05/12 9:05:07"), "true");
        row("ISO T", text("1980-05-12T14:30:00"), "true");
        row("fraction of a second", text("1980-05-12 14:30:00.123456"), "true");
        row("hour 24", text("1980/05/12 24:00"), "false");
        row("one-digit minute", text("1980/05/12 14:3"), "false");
        row("time without blank", text("1980/05/1214:30"), "false");
        row("trailing letters", text("1980/05/12x"), "false");
        row("date-time value", QDateTime(QDate(2024, 1, 2), QTime(3, 4)), "true");
        row("invalid date value", QDate(), "false");
        row("yyyymmdd number", 19800512, "false");
        row("Null", sqlNull(QMetaType::QDate), "false");

        // Halves to the even neighbour; 0 outside the range and for what is no number.
        function = u"ToInteger16"_s;
        row("12 with blanks", text("  12  "), "12");
        row("12.5 to even", text("12.5"), "12");
        row("13.5 to even", text("13.5"), "14");
        row("-2.5 to even", text("-2.5"), "-2");
        row("12.51 up", text("12.51"), "13");
        row("Null", sqlNull(QMetaType::QString), "0");
        row("grouped", text("1,234"), "1234");
        row("lowest", text("-32768"), "-32768");
        row("highest", text("32767"), "32767");
        row("one past highest", text("32768"), "0");
        row("-32768.5 to even", text("-32768.5"), "-32768");
        row("32767.5 rounds out", text("32767.5"), "0");
        row("exponent with leading zeros", text("1.5e00000002"), "150");
        row("int 40000", 40000, "0");
        row("qulonglong max", std::numeric_limits<qulonglong>::max(), "0");
        row("double 2.5", 2.5, "2");
        row("double 3.5", 3.5, "4");
        row("double -0.5", -0.5, "0");
        row("float 1.5", 1.5f, "2");
        row("NaN", kNaN, "0");
        row("bool true", true, "1");
        row("date", date(1980, 5, 12), "0");
        row("date text", text("1980/05/12"), "0");
        function = u"ToInteger32"_s;
        row("highest", text("2147483647"), "2147483647");
        row("one past highest", text("2147483648"), "0");
        row("lowest", qlonglong(-2147483648LL), "-2147483648");
        row("qlonglong past lowest", qlonglong(-2147483649LL), "0");
        row("double 1e10", 1e10, "0");
        row("1,234,567.5 to even", text("1,234,567.5"), "1234568");

        function = u"ToDouble"_s;
        row("1.25 with blanks", text(" 1.25 "), "1.25");
        row("grouped", text("-1,234.5"), "-1234.5");
        row("exponent", text("2.5e-3"), "0.0025");
        row("overflow", text("1e400"), "0");
        row("underflow", text("1e-400"), "0");
        row("letters", text("abc"), "0");
        row("Null", sqlNull(QMetaType::Double), "0");
        row("qlonglong", qlonglong(123456789012LL), "123456789012");
        row("float 1.1 is 1.1", 1.1f, "1.1");
        row("infinity", kInfinity, "0");
        row("date", date(2000, 1, 1), "0");

        // Numbers in their shortest decimal form; dates in the store's notation.
        function = u"NullToEmpty"_s;
        row("Null", sqlNull(QMetaType::QString), "");
        row("text kept with blanks", text(" 山田 "), " 山田 ");
        row("text 0.00 kept", text("0.00"), "0.00");
        row("short", QVariant::fromValue<qint16>(-12), "-12");
        row("qlonglong", qlonglong(-9007199254740993LL), "-9007199254740993");
        row("qulonglong", std::numeric_limits<qulonglong>::max(), "18446744073709551615");
        row("double -0", -0.0, "0");
        row("double 0.1+0.2", 0.1 + 0.2, "0.3");
        row("float 1.1", 1.1f, "1.1");
        row("bool", true, "1");
        row("date", date(1980, 5, 12), "1980/05/12");
        row("date-time at midnight", QDateTime(QDate(1980, 5, 12), QTime(0, 0)), "1980/05/12");
        row("date-time", QDateTime(QDate(1980, 5, 12), QTime(14, 30, 5)), "1980/05/12 14:30:05");
        row("time", QTime(9, 5), "09:05:00");
        row("bytes", QByteArray("abc"), "abc");
        function = u"NullOrZeroToEmpty"_s;
        row("number 0", 0, "");
        row("text 0 with blanks", text("  0 "), "");
        row("text 00 unchanged", text("00"), "00");
        row("text 5 untrimmed", text(" 5 "), " 5 ");
        row("Null", sqlNull(QMetaType::Int), "");
        row("double 0", 0.0, "");
        function = u"DecimalText"_s;
        row("1e20", 1e20, "100000000000000000000");
        row("one third", 1.0 / 3, "0.333333333333333");
        row("2/3 rounds the 15th digit", 2.0 / 3, "0.666666666666667");
        row("beyond 15 digits", 123456789012345678.0, "123456789012346000");
        row("small", 1e-7, "0.0000001");
        row("2.675", 2.675, "2.675");
        row("-1e-20", -1e-20, "-0.00000000000000000001");
        row("NaN", kNaN, "");
        row("infinity", -kInfinity, "");
        row("float 0.1", 0.1f, "0.1");
        row("float 2^24", 16777216.0f, "16777216");
        row("float 7.85", 7.85f, "7.85");

        // Bytes of the code page: full-width characters take two.
        function = u"AnsiByteLength"_s;
        row("three full-width kana", text("アイウ"), "6");
        row("three half-width kana", text("ｱｲｳ"), "3");
        row("kanji and ASCII", text("山田 太郎a"), "10");
        row("backslash", text("\\100"), "4");
        row("circled digit", text("①"), "2");
        row("outside the code page", text("a😀b"), "3");
    }
    void conversions() {
        QFETCH(QString, function);
        QFETCH(QVariant, value);
        QFETCH(QString, expected);
        QCOMPARE(apply(function, value), expected);
        // A number is never a date.
        QVERIFY(!(IsNumeric(value) && IsDate(value)));
    }

    void toInteger16Strict_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("error");
        QTest::newRow("blanks around") << u"  -45\t"_s << -45 << 0;
        QTest::newRow("12.5 to even") << u"12.5"_s << 12 << 0;
        QTest::newRow("exponent") << u"1e3"_s << 1000 << 0;
        QTest::newRow("empty") << QString() << 0 << 13;
        QTest::newRow("trailing unit") << u"10mm"_s << 0 << 13;
        QTest::newRow("too high") << u"40000"_s << 0 << 6;
        QTest::newRow("too low") << u"-32769"_s << 0 << 6;
        QTest::newRow("far too high") << u"1e300"_s << 0 << 6;
    }
    void toInteger16Strict() {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QFETCH(int, error);
        const Result<qint16> r = ToInteger16Strict(text);
        if (error == 0) {
            QVERIFY(r.ok());
            QCOMPARE(r.value(), qint16(expected));
            return;
        }
        QVERIFY(!r.ok());
        QCOMPARE(r.error().number, long(error));
        QCOMPARE(r.error().description, error == 13 ? u"Type mismatch"_s : u"Overflow"_s);
        QVERIFY(!r.error().source.isEmpty());
    }

    void format_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("expected");
        const auto row = [](const QVariant& v, const char* pattern, const char* e,
                            const char* name = nullptr) {
            QTest::addRow("%s: %s", pattern, name ? name : qPrintable(v.toString()))
                << v << QString::fromUtf8(pattern) << QString::fromUtf8(e);
        };
        // Numbers: halves away from zero; what is no number is left as it is.
        row(2.5, "0", "3");
        row(-2.5, "0", "-3");
        row(text("-0.4"), "0", "0");
        row(text("abc"), "0", "abc");
        row(text("  "), "0", "  ", "blank");
        row(date(2024, 5, 1), "0", "2024/05/01", "date value");
        row(sqlNull(QMetaType::Double), "0.00", "", "Null");
        row(text("12"), "000", "012");
        row(text("1234"), "000", "1234");
        row(text("A1"), "000", "A1");
        row(text("-2"), "0.0", "-2.0");
        row(text("0.05"), "0.0", "0.1");
        row(text("0.04"), "0.0", "0.0");
        row(text("+1.25"), "0.00", "1.25");
        row(text("0.125"), "0.00", "0.13");
        row(2.675, "0.00", "2.68");
        row(1.005, "0.00", "1.01");
        row(text("-0.001"), "0.00", "0.00");
        row(text("9.999"), "0.00", "10.00");
        row(7.85f, "0.00", "7.85", "float");
        row(text("1,234.5"), "0.00", "1234.50");
        row(text("0"), "#", "");
        row(text(""), "#", "", "empty");
        row(text("-5"), "#", "-5");
        row(text("0.4"), "#", "");
        row(text("0.5"), "#", "1");
        row(text("05"), "###", "5");
        row(text("1234"), "###", "1234");
        row(text("0.5"), "#0.0", "0.5");
        row(text("-0.25"), "#0.0", "-0.3");
        row(text("1.25"), "0.##", "1.25");
        row(text("0.5"), "#0.00", "0.50");
        row(text("0"), "#0.00", "0.00");
        row(0, "#,##0", "0");
        row(999, "#,##0", "999");
        row(1000, "#,##0", "1,000");
        row(-1234, "#,##0", "-1,234");
        row(1234.5, "#,##0", "1,235");
        row(1234567890.0, "###,###,##0", "1,234,567,890");
        row(19800512.0, "0000/00/00", "1980/05/12");
        row(text("19800512"), "0000/00/00", "1980/05/12");
        row(123, "0000/00/00", "0000/01/23");
        row(qlonglong(1234567890), "0000/00/00", "123456/78/90");
        row(12.5, "", "12.5", "no positions");
        // Dates: texts and values that are dates; anything else as it is.
        row(text("2024/5/1"), "YYYY/mm/dd", "2024/05/01");
        row(text("2024-05-01 10:30"), "YYYY/mm/dd", "2024/05/01");
        row(QDateTime(QDate(2024, 2, 29), QTime(23, 59)), "YYYY/mm/dd", "2024/02/29");
        row(text("abc"), "YYYY/mm/dd", "abc");
        row(19800512.0, "YYYY/mm/dd", "19800512");
        row(text("1980-5-12"), "yyyy/MM/dd", "1980/05/12");
        row(text("2024/05/01"), "MM", "05");
        row(text("2024/05/01"), "DD", "01");
        row(text(""), "MM", "", "empty");
        row(text("1980年05月12日"), "yyyy年mm月dd日", "1980年05月12日");
        row(text("1980/13/40"), "yyyy年mm月dd日", "1980/13/40");
        row(text("2024/05/01"), "yy m d", "24 5 1");
        const char* era = "ggg ee年 mm月 dd日";
        row(date(1868, 9, 7), era, "慶応 04年 09月 07日");
        row(date(1868, 9, 8), era, "明治 01年 09月 08日");
        row(date(1869, 1, 1), era, "明治 02年 01月 01日");
        row(date(1912, 7, 29), era, "明治 45年 07月 29日");
        row(date(1912, 7, 30), era, "大正 01年 07月 30日");
        row(date(1926, 12, 25), era, "昭和 01年 12月 25日");
        row(date(1989, 1, 7), era, "昭和 64年 01月 07日");
        row(date(1989, 1, 8), era, "平成 01年 01月 08日");
        row(date(2019, 4, 30), era, "平成 31年 04月 30日");
        row(date(2019, 5, 1), era, "令和 01年 05月 01日");
        row(text("      年    月    日"), era, "      年    月    日", "blank template");
        row(text("0600/01/01"), era, "0600/01/01", "before the first era");
        row(text("0600/01/01"), "yyyy年", "0600年", "before the first era, no era asked");
        row(date(1989, 1, 8), "g gg e", "H 平 1");
    }
    void format() {
        QFETCH(QVariant, value);
        QFETCH(QString, pattern);
        QFETCH(QString, expected);
        QCOMPARE(Format(value, pattern), expected);
    }

    void formatIsIdempotentOnItsOutput_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("pattern");
        for (const char* p : {"0.00", "#0.00", "0.0", "#0.0", "###", "#", "000", "#,##0"})
            for (const char* v : {"0", "1.25", "-0.75", "2.5", "180", "1234.5", "", "abc"})
                QTest::addRow("%s on %s", p, v) << QString::fromUtf8(v) << QString::fromUtf8(p);
        for (const char* v : {"1980/05/12", "2019-05-01", "      年    月    日"})
            for (const char* p : {"ggg ee年 mm月 dd日", "yyyy年mm月dd日"})
                QTest::addRow("%s on %s", p, v) << QString::fromUtf8(v) << QString::fromUtf8(p);
    }
    // The format event may run more than once on the same controls.
    void formatIsIdempotentOnItsOutput() {
        QFETCH(QString, text);
        QFETCH(QString, pattern);
        const QString once = Format(text, pattern);
        QCOMPARE(Format(once, pattern), once);
    }
};

QTEST_GUILESS_MAIN(TestText)
#include "tst_text.moc"
