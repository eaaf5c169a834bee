#include "services/text/Conversions.h"
#include "services/text/Format.h"

#include <QDateTime>
#include <QTest>

#include <limits>

using namespace kema;

namespace {

// What a SQL driver hands back for Null: a typed variant without a value.
QVariant sqlNull(QMetaType::Type type) {
    return QVariant(QMetaType(type));
}

QVariant date(int y, int m, int d) {
    return QDate(y, m, d);
}

} // namespace

class TextTest : public QObject {
    Q_OBJECT

private slots:
    void nullValues_data();
    void nullValues();
    void ansiByteLength_data();
    void ansiByteLength();
    void numericGrammar_data();
    void numericGrammar();
    void dateGrammar_data();
    void dateGrammar();
    void toInteger16_data();
    void toInteger16();
    void toInteger32_data();
    void toInteger32();
    void toDouble_data();
    void toDouble();
    void toInteger16Strict_data();
    void toInteger16Strict();
    void nullToEmpty_data();
    void nullToEmpty();
    void nullOrZeroToEmpty_data();
    void nullOrZeroToEmpty();
    void decimalTextDouble_data();
    void decimalTextDouble();
    void decimalTextFloat_data();
    void decimalTextFloat();
    void formatNumber_data();
    void formatNumber();
    void formatDate_data();
    void formatDate();
    void formatIsIdempotentOnItsOutput_data();
    void formatIsIdempotentOnItsOutput();
};

void TextTest::nullValues_data() {
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("null");
    QTest::newRow("invalid") << QVariant() << true;
    QTest::newRow("driver text null") << sqlNull(QMetaType::QString) << true;
    QTest::newRow("driver double null") << sqlNull(QMetaType::Double) << true;
    QTest::newRow("driver date null") << sqlNull(QMetaType::QDate) << true;
    QTest::newRow("empty text") << QVariant(QString()) << false;
    QTest::newRow("zero") << QVariant(0) << false;
}

void TextTest::nullValues() {
    QFETCH(QVariant, value);
    QFETCH(bool, null);
    QCOMPARE(isNull(value), null);
    if (null) {
        QCOMPARE(NullToEmpty(value), QString());
        QCOMPARE(ToInteger16(value), qint16(0));
        QCOMPARE(ToDouble(value), 0.0);
        QCOMPARE(Format(value, QStringLiteral("0.00")), QString());
        QCOMPARE(Format(value, QStringLiteral("yyyy/mm/dd")), QString());
    }
}

void TextTest::ansiByteLength_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("bytes");
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("three ASCII letters") << QStringLiteral("abc") << 3;
    QTest::newRow("three full-width kana") << QStringLiteral("アイウ") << 6;
    QTest::newRow("three half-width kana") << QStringLiteral("ｱｲｳ") << 3;
    QTest::newRow("kanji and ASCII") << QStringLiteral("山田 太郎a") << 10;
    QTest::newRow("backslash") << QStringLiteral("\\100") << 4;
    QTest::newRow("circled digit") << QStringLiteral("①") << 2;
    QTest::newRow("ideographic space") << QStringLiteral("　") << 2;
    QTest::newRow("outside the code page") << QStringLiteral("a😀b") << 3;
}

void TextTest::ansiByteLength() {
    QFETCH(QString, text);
    QFETCH(int, bytes);
    QCOMPARE(AnsiByteLength(text), bytes);
}

void TextTest::numericGrammar_data() {
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("numeric");
    const auto text = [](const char* name, const char* s, bool numeric) {
        QTest::newRow(name) << QVariant(QString::fromUtf8(s)) << numeric;
    };
    text("digits", "12", true);
    text("blanks around", "  12 ", true);
    text("tab before", "\t12", true);
    text("plus", "+12", true);
    text("minus", "-12", true);
    text("trailing minus", "12-", false);
    text("blank after sign", "- 12", false);
    text("two signs", "+-12", false);
    text("grouped", "1,234", true);
    text("grouped twice", "12,345,678", true);
    text("grouped with decimals", "-1,234.5", true);
    text("short group", "1,23", false);
    text("long first group", "1234,567", false);
    text("leading comma", ",123", false);
    text("comma in decimals", "1.234,5", false);
    text("point at end", "12.", true);
    text("point at start", ".5", true);
    text("point alone", ".", false);
    text("sign alone", "+", false);
    text("empty", "", false);
    text("blanks only", "   ", false);
    text("exponent", "1e5", true);
    text("negative exponent", "2.5E-3", true);
    text("exponent without digits", "1e", false);
    text("overflowing exponent", "1e400", false);
    text("vanishing exponent", "1e-400", true);
    text("letters", "abc", false);
    text("digits then letters", "12abc", false);
    text("full-width digits", "１２", false);
    text("currency sign", "\\100", false);
    text("parentheses", "(5)", false);
    text("hexadecimal", "&H10", false);
    text("C hexadecimal", "0x10", false);
    text("yyyymmdd", "19800512", true);
    text("slashed date", "1980/05/12", false);
    text("dashed date", "2024-05-01", false);
    text("full-width space around", "　12", false);
    QTest::newRow("int") << QVariant(7) << true;
    QTest::newRow("qlonglong") << QVariant(qlonglong(1) << 40) << true;
    QTest::newRow("qulonglong") << QVariant(std::numeric_limits<qulonglong>::max()) << true;
    QTest::newRow("short") << QVariant::fromValue<qint16>(-3) << true;
    QTest::newRow("double") << QVariant(2.5) << true;
    QTest::newRow("float") << QVariant(1.1f) << true;
    QTest::newRow("NaN") << QVariant(std::numeric_limits<double>::quiet_NaN()) << false;
    QTest::newRow("infinity") << QVariant(std::numeric_limits<double>::infinity()) << false;
    QTest::newRow("bool") << QVariant(true) << true;
    QTest::newRow("date value") << date(1980, 5, 12) << false;
    QTest::newRow("date-time value")
        << QVariant(QDateTime(QDate(1980, 5, 12), QTime(1, 2))) << false;
    QTest::newRow("bytes") << QVariant(QByteArray("42")) << true;
    QTest::newRow("Null") << sqlNull(QMetaType::Int) << false;
}

void TextTest::numericGrammar() {
    QFETCH(QVariant, value);
    QFETCH(bool, numeric);
    QCOMPARE(IsNumeric(value), numeric);
    QVERIFY(!(numeric && IsDate(value)));
}

void TextTest::dateGrammar_data() {
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("isDate");
    const auto text = [](const char* name, const char* s, bool isDate) {
        QTest::newRow(name) << QVariant(QString::fromUtf8(s)) << isDate;
    };
    text("slashes", "1980/05/12", true);
    text("dashes", "1980-05-12", true);
    text("one-digit month and day", "1980/5/2", true);
    text("blanks around", " 1980/5/12  ", true);
    text("mixed separators", "1980/05-12", false);
    text("leap day", "1980/02/29", true);
    text("no leap day", "1981/02/29", false);
    text("month 13", "1980/13/01", false);
    text("month 0", "1980/00/10", false);
    text("day 0", "1980/01/00", false);
    text("two-digit year", "80/5/12", false);
    text("year 0", "0000/01/01", false);
    text("three-digit day", "1980/05/123", false);
    text("yyyymmdd", "19800512", false);
    text("Japanese form", "1980年5月12日", false);
    text("era form", "昭和 55年 05月 12日", false);
    text("blank template", "      年    月    日", false);
    text("hours and minutes", "1980/05/12 14:30", true);
    text("one-digit hour and seconds", "1980/05/12 9:05:07", true);
    text("ISO T", "1980-05-12T14:30:00", true);
    text("fraction of a second", "1980-05-12 14:30:00.123456", true);
    text("hour 24", "1980/05/12 24:00", false);
    text("one-digit minute", "1980/05/12 14:3", false);
    text("time without blank", "1980/05/1214:30", false);
    text("trailing letters", "1980/05/12x", false);
    text("empty", "", false);
    QTest::newRow("date value") << date(1980, 5, 12) << true;
    QTest::newRow("date-time value") << QVariant(QDateTime(QDate(2024, 1, 2), QTime(3, 4))) << true;
    QTest::newRow("invalid date value") << QVariant(QDate()) << false;
    QTest::newRow("yyyymmdd number") << QVariant(19800512) << false;
    QTest::newRow("double") << QVariant(29000.5) << false;
    QTest::newRow("Null") << sqlNull(QMetaType::QDate) << false;
}

void TextTest::dateGrammar() {
    QFETCH(QVariant, value);
    QFETCH(bool, isDate);
    QCOMPARE(IsDate(value), isDate);
}

void TextTest::toInteger16_data() {
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("12 with blanks") << QVariant(QStringLiteral("  12  ")) << 12;
    QTest::newRow("12.5 to even") << QVariant(QStringLiteral("12.5")) << 12;
    QTest::newRow("13.5 to even") << QVariant(QStringLiteral("13.5")) << 14;
    QTest::newRow("-2.5 to even") << QVariant(QStringLiteral("-2.5")) << -2;
    QTest::newRow("12.51 up") << QVariant(QStringLiteral("12.51")) << 13;
    QTest::newRow("text 40000 out of range") << QVariant(QStringLiteral("40000")) << 0;
    QTest::newRow("Null") << sqlNull(QMetaType::QString) << 0;
    QTest::newRow("letters") << QVariant(QStringLiteral("abc")) << 0;
    QTest::newRow("grouped") << QVariant(QStringLiteral("1,234")) << 1234;
    QTest::newRow("lowest") << QVariant(QStringLiteral("-32768")) << -32768;
    QTest::newRow("highest") << QVariant(QStringLiteral("32767")) << 32767;
    QTest::newRow("one past highest") << QVariant(QStringLiteral("32768")) << 0;
    QTest::newRow("-32768.5 to even") << QVariant(QStringLiteral("-32768.5")) << -32768;
    QTest::newRow("32767.5 rounds out") << QVariant(QStringLiteral("32767.5")) << 0;
    QTest::newRow("exponent") << QVariant(QStringLiteral("1.5e2")) << 150;
    QTest::newRow("exponent with leading zeros") << QVariant(QStringLiteral("1.5e00000002")) << 150;
    QTest::newRow("int 40000") << QVariant(40000) << 0;
    QTest::newRow("int -7") << QVariant(-7) << -7;
    QTest::newRow("qulonglong max") << QVariant(std::numeric_limits<qulonglong>::max()) << 0;
    QTest::newRow("double 2.5") << QVariant(2.5) << 2;
    QTest::newRow("double 3.5") << QVariant(3.5) << 4;
    QTest::newRow("double -0.5") << QVariant(-0.5) << 0;
    QTest::newRow("float 1.5") << QVariant(1.5f) << 2;
    QTest::newRow("NaN") << QVariant(std::numeric_limits<double>::quiet_NaN()) << 0;
    QTest::newRow("bool true") << QVariant(true) << 1;
    QTest::newRow("date") << date(1980, 5, 12) << 0;
    QTest::newRow("date text") << QVariant(QStringLiteral("1980/05/12")) << 0;
}

void TextTest::toInteger16() {
    QFETCH(QVariant, value);
    QFETCH(int, expected);
    QCOMPARE(ToInteger16(value), qint16(expected));
}

void TextTest::toInteger32_data() {
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("text 40000") << QVariant(QStringLiteral("40000")) << qint64(40000);
    QTest::newRow("highest") << QVariant(QStringLiteral("2147483647")) << qint64(2147483647);
    QTest::newRow("one past highest") << QVariant(QStringLiteral("2147483648")) << qint64(0);
    QTest::newRow("lowest") << QVariant(qlonglong(-2147483648LL)) << qint64(-2147483648LL);
    QTest::newRow("qlonglong past lowest") << QVariant(qlonglong(-2147483649LL)) << qint64(0);
    QTest::newRow("double 1e10") << QVariant(1e10) << qint64(0);
    QTest::newRow("1,234,567.5 to even")
        << QVariant(QStringLiteral("1,234,567.5")) << qint64(1234568);
    QTest::newRow("letters") << QVariant(QStringLiteral("12a")) << qint64(0);
}

void TextTest::toInteger32() {
    QFETCH(QVariant, value);
    QFETCH(qint64, expected);
    QCOMPARE(qint64(ToInteger32(value)), expected);
}

void TextTest::toDouble_data() {
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<double>("expected");
    QTest::newRow("1.25 with blanks") << QVariant(QStringLiteral(" 1.25 ")) << 1.25;
    QTest::newRow("signed") << QVariant(QStringLiteral("+1.25")) << 1.25;
    QTest::newRow("negative") << QVariant(QStringLiteral("-0.75")) << -0.75;
    QTest::newRow("grouped") << QVariant(QStringLiteral("1,234.5")) << 1234.5;
    QTest::newRow("exponent") << QVariant(QStringLiteral("2.5e-3")) << 0.0025;
    QTest::newRow("overflow") << QVariant(QStringLiteral("1e400")) << 0.0;
    QTest::newRow("underflow") << QVariant(QStringLiteral("1e-400")) << 0.0;
    QTest::newRow("letters") << QVariant(QStringLiteral("abc")) << 0.0;
    QTest::newRow("Null") << sqlNull(QMetaType::Double) << 0.0;
    QTest::newRow("qlonglong") << QVariant(qlonglong(123456789012LL)) << 123456789012.0;
    QTest::newRow("float 1.1 is 1.1") << QVariant(1.1f) << 1.1;
    QTest::newRow("float -0.25") << QVariant(-0.25f) << -0.25;
    QTest::newRow("infinity") << QVariant(std::numeric_limits<double>::infinity()) << 0.0;
    QTest::newRow("date") << date(2000, 1, 1) << 0.0;
}

void TextTest::toDouble() {
    QFETCH(QVariant, value);
    QFETCH(double, expected);
    QCOMPARE(ToDouble(value), expected);
}

void TextTest::toInteger16Strict_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("error");
    QTest::newRow("plain") << QStringLiteral("120") << 120 << 0;
    QTest::newRow("blanks around") << QStringLiteral("  -45\t") << -45 << 0;
    QTest::newRow("12.5 to even") << QStringLiteral("12.5") << 12 << 0;
    QTest::newRow("13.5 to even") << QStringLiteral("13.5") << 14 << 0;
    QTest::newRow("exponent") << QStringLiteral("1e3") << 1000 << 0;
    QTest::newRow("letters") << QStringLiteral("abc") << 0 << 13;
    QTest::newRow("empty") << QString() << 0 << 13;
    QTest::newRow("trailing unit") << QStringLiteral("10mm") << 0 << 13;
    QTest::newRow("too high") << QStringLiteral("40000") << 0 << 6;
    QTest::newRow("too low") << QStringLiteral("-32769") << 0 << 6;
    QTest::newRow("far too high") << QStringLiteral("1e300") << 0 << 6;
}

void TextTest::toInteger16Strict() {
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
    QCOMPARE(r.error().description,
             error == 13 ? QStringLiteral("Type mismatch") : QStringLiteral("Overflow"));
    QVERIFY(!r.error().source.isEmpty());
}

void TextTest::nullToEmpty_data() {
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("Null") << sqlNull(QMetaType::QString) << QString();
    QTest::newRow("text kept with blanks") << QVariant(QStringLiteral(" 山田 ")) << " 山田 ";
    QTest::newRow("text 0.00 kept") << QVariant(QStringLiteral("0.00")) << "0.00";
    QTest::newRow("int 0") << QVariant(0) << "0";
    QTest::newRow("short") << QVariant::fromValue<qint16>(-12) << "-12";
    QTest::newRow("qlonglong") << QVariant(qlonglong(-9007199254740993LL)) << "-9007199254740993";
    QTest::newRow("qulonglong") << QVariant(std::numeric_limits<qulonglong>::max())
                                << "18446744073709551615";
    QTest::newRow("double 0") << QVariant(0.0) << "0";
    QTest::newRow("double -0") << QVariant(-0.0) << "0";
    QTest::newRow("double -2.5") << QVariant(-2.5) << "-2.5";
    QTest::newRow("double 0.05") << QVariant(0.05) << "0.05";
    QTest::newRow("double 90") << QVariant(90.0) << "90";
    QTest::newRow("double 1e20") << QVariant(1e20) << "100000000000000000000";
    QTest::newRow("double 0.1+0.2") << QVariant(0.1 + 0.2) << "0.3";
    QTest::newRow("float 1.1") << QVariant(1.1f) << "1.1";
    QTest::newRow("float -0.25") << QVariant(-0.25f) << "-0.25";
    QTest::newRow("bool") << QVariant(true) << "1";
    QTest::newRow("date") << date(1980, 5, 12) << "1980/05/12";
    QTest::newRow("date-time at midnight")
        << QVariant(QDateTime(QDate(1980, 5, 12), QTime(0, 0))) << "1980/05/12";
    QTest::newRow("date-time") << QVariant(QDateTime(QDate(1980, 5, 12), QTime(14, 30, 5)))
                               << "1980/05/12 14:30:05";
    QTest::newRow("time") << QVariant(QTime(9, 5)) << "09:05:00";
    QTest::newRow("bytes") << QVariant(QByteArray("abc")) << "abc";
}

void TextTest::nullToEmpty() {
    QFETCH(QVariant, value);
    QFETCH(QString, expected);
    QCOMPARE(NullToEmpty(value), expected);
}

void TextTest::nullOrZeroToEmpty_data() {
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("number 0") << QVariant(0) << QString();
    QTest::newRow("double 0") << QVariant(0.0) << QString();
    QTest::newRow("text 0 with blanks") << QVariant(QStringLiteral("  0 ")) << QString();
    QTest::newRow("text 00 unchanged") << QVariant(QStringLiteral("00")) << "00";
    QTest::newRow("text 0.0 unchanged") << QVariant(QStringLiteral("0.0")) << "0.0";
    QTest::newRow("text 5 untrimmed") << QVariant(QStringLiteral(" 5 ")) << " 5 ";
    QTest::newRow("Null") << sqlNull(QMetaType::Int) << QString();
    QTest::newRow("number 12") << QVariant(12) << "12";
}

void TextTest::nullOrZeroToEmpty() {
    QFETCH(QVariant, value);
    QFETCH(QString, expected);
    QCOMPARE(NullOrZeroToEmpty(value), expected);
}

void TextTest::decimalTextDouble_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("-2.5") << -2.5 << "-2.5";
    QTest::newRow("0.05") << 0.05 << "0.05";
    QTest::newRow("90") << 90.0 << "90";
    QTest::newRow("1e20") << 1e20 << "100000000000000000000";
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("0.1+0.2") << 0.1 + 0.2 << "0.3";
    QTest::newRow("one third") << 1.0 / 3 << "0.333333333333333";
    QTest::newRow("2/3 rounds the 15th digit") << 2.0 / 3 << "0.666666666666667";
    QTest::newRow("beyond 15 digits") << 123456789012345678.0 << "123456789012346000";
    QTest::newRow("small") << 1e-7 << "0.0000001";
    QTest::newRow("2.675") << 2.675 << "2.675";
    QTest::newRow("1234.5") << 1234.5 << "1234.5";
    QTest::newRow("-1e-20") << -1e-20 << "-0.00000000000000000001";
    QTest::newRow("19800512") << 19800512.0 << "19800512";
    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << QString();
    QTest::newRow("infinity") << -std::numeric_limits<double>::infinity() << QString();
}

void TextTest::decimalTextDouble() {
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(DecimalText(value), expected);
}

void TextTest::decimalTextFloat_data() {
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("1.1") << 1.1f << "1.1";
    QTest::newRow("0.1") << 0.1f << "0.1";
    QTest::newRow("-2.75") << -2.75f << "-2.75";
    QTest::newRow("2^24") << 16777216.0f << "16777216";
    QTest::newRow("1e20") << 1e20f << "100000000000000000000";
    QTest::newRow("7.85") << 7.85f << "7.85";
}

void TextTest::decimalTextFloat() {
    QFETCH(float, value);
    QFETCH(QString, expected);
    QCOMPARE(DecimalText(value), expected);
}

void TextTest::formatNumber_data() {
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char* name, const QVariant& v, const char* pattern, const char* e) {
        QTest::newRow(name) << v << QString::fromUtf8(pattern) << QString::fromUtf8(e);
    };
    const auto t = [](const char* s) { return QVariant(QString::fromUtf8(s)); };

    row("0: text 5", t("5"), "0", "5");
    row("0: half away from zero", 2.5, "0", "3");
    row("0: negative half away from zero", -2.5, "0", "-3");
    row("0: text 0", t("0"), "0", "0");
    row("0: blanks around", t(" 7 "), "0", "7");
    row("0: negative rounding to zero", t("-0.4"), "0", "0");
    row("0: letters unchanged", t("abc"), "0", "abc");
    row("0: empty unchanged", t(""), "0", "");
    row("0: blank template unchanged", t("  "), "0", "  ");
    row("0: date text unchanged", t("2024/05/01"), "0", "2024/05/01");
    row("0: date value as its text", date(2024, 5, 1), "0", "2024/05/01");

    row("000: 1", t("1"), "000", "001");
    row("000: int 1", 1, "000", "001");
    row("000: 12", t("12"), "000", "012");
    row("000: 1234 stays", t("1234"), "000", "1234");
    row("000: 001", t("001"), "000", "001");
    row("000: code with letter", t("A1"), "000", "A1");

    row("0.0: 22", t("22"), "0.0", "22.0");
    row("0.0: -2", t("-2"), "0.0", "-2.0");
    row("0.0: 0.05 up", t("0.05"), "0.0", "0.1");
    row("0.0: 0.04 down", t("0.04"), "0.0", "0.0");

    row("0.00: 1.2", t("1.2"), "0.00", "1.20");
    row("0.00: 0.05", t("0.05"), "0.00", "0.05");
    row("0.00: 2.5", t("2.5"), "0.00", "2.50");
    row("0.00: signed readback", t("+1.25"), "0.00", "1.25");
    row("0.00: -0.75", t("-0.75"), "0.00", "-0.75");
    row("0.00: text half", t("0.125"), "0.00", "0.13");
    row("0.00: double 2.675", 2.675, "0.00", "2.68");
    row("0.00: double 1.005", 1.005, "0.00", "1.01");
    row("0.00: text 0", t("0"), "0.00", "0.00");
    row("0.00: tiny negative", t("-0.001"), "0.00", "0.00");
    row("0.00: rounds into the integer", t("9.999"), "0.00", "10.00");
    row("0.00: value / 100", 12345 / 100.0, "0.00", "123.45");
    row("0.00: float", 7.85f, "0.00", "7.85");
    row("0.00: grouped text", t("1,234.5"), "0.00", "1234.50");

    row("#: 0", t("0"), "#", "");
    row("#: empty", t(""), "#", "");
    row("#: 5", t("5"), "#", "5");
    row("#: -5", t("-5"), "#", "-5");
    row("#: 0.4", t("0.4"), "#", "");
    row("#: 0.5", t("0.5"), "#", "1");
    row("#: 0.00", t("0.00"), "#", "");

    row("###: 0", t("0"), "###", "");
    row("###: 90", t("90"), "###", "90");
    row("###: 180", t("180"), "###", "180");
    row("###: 1234", t("1234"), "###", "1234");
    row("###: 05", t("05"), "###", "5");
    row("###: -45", t("-45"), "###", "-45");

    row("#0.0: 32", t("32"), "#0.0", "32.0");
    row("#0.0: 31.5", t("31.5"), "#0.0", "31.5");
    row("#0.0: 0.5", t("0.5"), "#0.0", "0.5");
    row("#0.0: -0.25", t("-0.25"), "#0.0", "-0.3");

    row("#0.00: 0.5", t("0.5"), "#0.00", "0.50");
    row("#0.00: -0.75", t("-0.75"), "#0.00", "-0.75");
    row("#0.00: 0", t("0"), "#0.00", "0.00");
    row("#0.00: empty", t(""), "#0.00", "");
    row("#0.00: 12.25", t("12.25"), "#0.00", "12.25");

    row("#,##0: 0", 0, "#,##0", "0");
    row("#,##0: 999", 999, "#,##0", "999");
    row("#,##0: 1000", 1000, "#,##0", "1,000");
    row("#,##0: 1234567", 1234567, "#,##0", "1,234,567");
    row("#,##0: -1234", -1234, "#,##0", "-1,234");
    row("#,##0: 1234.5", 1234.5, "#,##0", "1,235");

    row("###,###,##0: 0", 0.0, "###,###,##0", "0");
    row("###,###,##0: 12345", 12345.0, "###,###,##0", "12,345");
    row("###,###,##0: 123456789", 123456789.0, "###,###,##0", "123,456,789");
    row("###,###,##0: 1234567890", 1234567890.0, "###,###,##0", "1,234,567,890");

    row("0000/00/00: double", 19800512.0, "0000/00/00", "1980/05/12");
    row("0000/00/00: int", 20240101, "0000/00/00", "2024/01/01");
    row("0000/00/00: text", t("19800512"), "0000/00/00", "1980/05/12");
    row("0000/00/00: short number", 123, "0000/00/00", "0000/01/23");
    row("0000/00/00: zero", 0.0, "0000/00/00", "0000/00/00");
    row("0000/00/00: long number", qlonglong(1234567890), "0000/00/00", "123456/78/90");
    row("0000/00/00: not a calendar day", 19801340.0, "0000/00/00", "1980/13/40");

    row("no positions", 12.5, "", "12.5");
}

void TextTest::formatNumber() {
    QFETCH(QVariant, value);
    QFETCH(QString, pattern);
    QFETCH(QString, expected);
    QCOMPARE(Format(value, pattern), expected);
}

void TextTest::formatDate_data() {
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char* name, const QVariant& v, const char* pattern, const char* e) {
        QTest::newRow(name) << v << QString::fromUtf8(pattern) << QString::fromUtf8(e);
    };
    const auto t = [](const char* s) { return QVariant(QString::fromUtf8(s)); };

    row("YYYY/mm/dd: one-digit text", t("2024/5/1"), "YYYY/mm/dd", "2024/05/01");
    row("YYYY/mm/dd: dashes", t("2024-05-01"), "YYYY/mm/dd", "2024/05/01");
    row("YYYY/mm/dd: with time", t("2024/05/01 10:30"), "YYYY/mm/dd", "2024/05/01");
    row("YYYY/mm/dd: date value", date(2024, 12, 31), "YYYY/mm/dd", "2024/12/31");
    row("YYYY/mm/dd: date-time value", QDateTime(QDate(2024, 2, 29), QTime(23, 59)), "YYYY/mm/dd",
        "2024/02/29");
    row("YYYY/mm/dd: letters unchanged", t("abc"), "YYYY/mm/dd", "abc");
    row("YYYY/mm/dd: empty unchanged", t(""), "YYYY/mm/dd", "");
    row("YYYY/mm/dd: number is no date", 19800512.0, "YYYY/mm/dd", "19800512");
    row("yyyy/mm/dd: text", t("1980-5-12"), "yyyy/mm/dd", "1980/05/12");
    row("yyyy/MM/dd: same pattern", t("1980-5-12"), "yyyy/MM/dd", "1980/05/12");
    row("YYYY", t("2024/05/01"), "YYYY", "2024");
    row("MM", t("2024/05/01"), "MM", "05");
    row("DD", t("2024/05/01"), "DD", "01");
    row("MM: empty", t(""), "MM", "");
    row("yyyy年mm月dd日", t("1980/05/12"), "yyyy年mm月dd日", "1980年05月12日");
    row("yyyy年mm月dd日: formatted text unchanged", t("1980年05月12日"), "yyyy年mm月dd日",
        "1980年05月12日");
    row("yyyy年mm月dd日: after 0000/00/00", t("1980/05/12"), "yyyy年mm月dd日", "1980年05月12日");
    row("yyyy年mm月dd日: not a day", t("1980/13/40"), "yyyy年mm月dd日", "1980/13/40");
    row("single letters", t("2024/05/01"), "yy m d", "24 5 1");

    const char* era = "ggg ee年 mm月 dd日";
    row("before 明治", date(1868, 9, 7), era, "慶応 04年 09月 07日");
    row("明治 first day", date(1868, 9, 8), era, "明治 01年 09月 08日");
    row("明治 next year", date(1869, 1, 1), era, "明治 02年 01月 01日");
    row("明治 last day", date(1912, 7, 29), era, "明治 45年 07月 29日");
    row("大正 first day", date(1912, 7, 30), era, "大正 01年 07月 30日");
    row("大正 last day", date(1926, 12, 24), era, "大正 15年 12月 24日");
    row("昭和 first day", date(1926, 12, 25), era, "昭和 01年 12月 25日");
    row("昭和 55", t("1980/5/12"), era, "昭和 55年 05月 12日");
    row("昭和 last day", date(1989, 1, 7), era, "昭和 64年 01月 07日");
    row("平成 first day", date(1989, 1, 8), era, "平成 01年 01月 08日");
    row("平成 last day", date(2019, 4, 30), era, "平成 31年 04月 30日");
    row("令和 first day", date(2019, 5, 1), era, "令和 01年 05月 01日");
    row("令和 6", t("2024-12-31"), era, "令和 06年 12月 31日");
    row("era: blank template unchanged", t("      年    月    日"), era, "      年    月    日");
    row("era: formatted text unchanged", t("昭和 55年 05月 12日"), era, "昭和 55年 05月 12日");
    row("era: yyyymmdd text unchanged", t("19800512"), era, "19800512");
    row("before the first era", t("0600/01/01"), era, "0600/01/01");
    row("before the first era, no era asked", t("0600/01/01"), "yyyy年", "0600年");
    row("era letter and first character", date(1989, 1, 8), "g gg e", "H 平 1");
}

void TextTest::formatDate() {
    QFETCH(QVariant, value);
    QFETCH(QString, pattern);
    QFETCH(QString, expected);
    QCOMPARE(Format(value, pattern), expected);
}

void TextTest::formatIsIdempotentOnItsOutput_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("pattern");
    for (const char* p : {"0.00", "#0.00", "0.0", "#0.0", "###", "#", "000", "#,##0"}) {
        for (const char* v : {"0", "1.25", "-0.75", "2.5", "180", "1234.5", "", "abc"})
            QTest::addRow("%s on %s", p, v) << QString::fromUtf8(v) << QString::fromUtf8(p);
    }
    for (const char* v : {"1980/05/12", "2019-05-01", "      年    月    日"}) {
        QTest::addRow("era on %s", v)
            << QString::fromUtf8(v) << QStringLiteral("ggg ee年 mm月 dd日");
        QTest::addRow("yyyy年 on %s", v)
            << QString::fromUtf8(v) << QStringLiteral("yyyy年mm月dd日");
    }
}

// The format event may run more than once on the same controls.
void TextTest::formatIsIdempotentOnItsOutput() {
    QFETCH(QString, text);
    QFETCH(QString, pattern);
    const QString once = Format(text, pattern);
    QCOMPARE(Format(once, pattern), once);
}

QTEST_GUILESS_MAIN(TextTest)
#include "tst_text.moc"
