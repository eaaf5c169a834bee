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
    if (function == u"ToInteger16Strict") {
        const Result<qint16> r = ToInteger16Strict(value.toString());
        return r.ok() ? QString::number(r.value())
                      : QString::number(r.error().number) + u' ' + r.error().description;
    }
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

// Rows packed as "text=expected|text=expected" (a column holds the function or the pattern).
void texts(const QString& first, const QString& packed) {
    for (const QString& row : packed.split(u'|')) {
        const qsizetype at = row.lastIndexOf(u'=');
        QTest::addRow("%s: \"%s\"", qPrintable(first), qPrintable(row.left(at)))
            << first << QVariant(row.left(at)) << row.mid(at + 1);
    }
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
        texts(function = u"IsNumeric"_s,
              u" \t+12 =true|12-=false|- 12=false|-1,234,567.5=true|1,23=false|1234,567=false|"
              "1.234,5=false|12.=true|.5=true|.=false|   =false|2.5E-3=true|1e=false|"
              "1e400=false|1e-400=true|１２=false|　12=false"_s);
        row("qulonglong", std::numeric_limits<qulonglong>::max(), "true");
        row("infinity", kInfinity, "false");
        row("bool", true, "true");
        row("date value", date(1980, 5, 12), "false");
        row("Null", sqlNull(QMetaType::Int), "false");

        texts(function = u"IsDate"_s,
              u" 1980/5/2 =true|1980-05-12=true|1980/05-12=false|1980/02/29=true|"
              "1981/02/29=false|80/5/12=false|0000/01/01=false|19800512=false|"
              "1980/05/12 9:05:07=true|1980-05-12T14:30:00.123456=true|1980/05/12 24:00=false|"
              "1980/05/12 14:3=false|1980/05/1214:30=false"_s);
        row("date-time value", QDateTime(QDate(2024, 1, 2), QTime(3, 4)), "true");
        row("invalid date value", QDate(), "false");
        row("yyyymmdd number", 19800512, "false");

        // Halves to the even neighbour; 0 outside the range and for what is no number.
        texts(function = u"ToInteger16"_s,
              u"  1,234  =1234|12.5=12|13.5=14|12.51=13|32767=32767|32768=0|-32768.5=-32768|"
              "32767.5=0|1.5e00000002=150"_s);
        row("int 40000", 40000, "0");
        row("qulonglong max", std::numeric_limits<qulonglong>::max(), "0");
        row("double 2.5", 2.5, "2");
        row("NaN", kNaN, "0");
        row("bool true", true, "1");
        texts(function = u"ToInteger16Strict"_s,
              u"  -45\t=-45|12.5=12|1e3=1000|10mm=13 Type mismatch|40000=6 Overflow"_s);
        texts(function = u"ToInteger32"_s,
              u"2147483647=2147483647|2147483648=0|1,234,567.5=1234568"_s);
        row("qlonglong past lowest", qlonglong(-2147483649LL), "0");

        texts(function = u"ToDouble"_s, u" -1,234.5 =-1234.5|2.5e-3=0.0025|1e400=0|abc=0"_s);
        row("qlonglong", qlonglong(123456789012LL), "123456789012");
        row("float 1.1 is 1.1", 1.1f, "1.1");
        row("infinity", kInfinity, "0");

        // Numbers in their shortest decimal form; dates in the store's notation.
        function = u"NullToEmpty"_s;
        row("Null", sqlNull(QMetaType::QString), "");
        row("text kept with blanks", u" 0.00 "_s, " 0.00 ");
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
        texts(function = u"NullOrZeroToEmpty"_s, u"  0 =|00=00| 5 = 5 "_s);
        row("number 0", 0, "");
        function = u"DecimalText"_s;
        row("1e20", 1e20, "100000000000000000000");
        row("2/3 rounds the 15th digit", 2.0 / 3, "0.666666666666667");
        row("beyond 15 digits", 123456789012345678.0, "123456789012346000");
        row("-1e-20", -1e-20, "-0.00000000000000000001");
        row("NaN", kNaN, "");
        row("float 0.1", 0.1f, "0.1");

        // Bytes of the code page: full-width characters take two.
        texts(function = u"AnsiByteLength"_s, u"アｱ山a=6|\\100=4|①=2|a😀b=3"_s);
    }
    void conversions() {
        QFETCH(QString, function);
        QFETCH(QVariant, value);
        QFETCH(QString, expected);
        QCOMPARE(apply(function, value), expected);
        // A number is never a date.
        QVERIFY(!(IsNumeric(value) && IsDate(value)));
    }

    void format_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("expected");
        const auto row = [](const QVariant& v, const char* pattern, const char* e,
                            const char* name = nullptr) {
            QTest::addRow("%s: %s", pattern, name ? name : qPrintable(v.toString()))
                << QString::fromUtf8(pattern) << v << QString::fromUtf8(e);
        };
        // Numbers: halves away from zero; what is no number is left as it is.
        texts(u"0"_s, u"-0.4=0|abc=abc"_s);
        row(-2.5, "0", "-3");
        row(date(2024, 5, 1), "0", "2024/05/01", "date value");
        row(sqlNull(QMetaType::Double), "0.00", "", "Null");
        texts(u"000"_s, u"12=012|1234=1234"_s);
        texts(u"0.0"_s, u"-2=-2.0|0.05=0.1"_s);
        texts(u"0.00"_s, u"+1.25=1.25|9.999=10.00|1,234.5=1234.50"_s);
        row(2.675, "0.00", "2.68");
        row(7.85f, "0.00", "7.85", "float");
        texts(u"#"_s, u"0="_s);
        texts(u"###"_s, u"05=5"_s);
        texts(u"#0.0"_s, u"0.5=0.5"_s);
        texts(u"0.##"_s, u"1.25=1.25"_s);
        texts(u"#0.00"_s, u"0=0.00"_s);
        row(1000, "#,##0", "1,000");
        row(-1234567890.0, "###,###,##0", "-1,234,567,890");
        row(19800512.0, "0000/00/00", "1980/05/12");
        row(123, "0000/00/00", "0000/01/23");
        row(qlonglong(1234567890), "0000/00/00", "123456/78/90");
        row(12.5, "", "12.5", "no positions");
        // Dates: texts and values that are dates; anything else as it is.
        texts(u"YYYY/mm/dd"_s, u"2024-5-1 10:30=2024/05/01|abc=abc"_s);
        row(QDateTime(QDate(2024, 2, 29), QTime(23, 59)), "YYYY/mm/dd", "2024/02/29");
        row(19800512.0, "YYYY/mm/dd", "19800512");
        texts(u"MM"_s, u"2024/05/01=05"_s);
        texts(u"yyyy年mm月dd日"_s, u"1980年05月12日=1980年05月12日|1980/13/40=1980/13/40"_s);
        texts(u"yy m d"_s, u"2024/05/01=24 5 1"_s);
        const char* era = "ggg ee年 mm月 dd日";
        row(date(1868, 9, 7), era, "慶応 04年 09月 07日");
        row(date(1868, 9, 8), era, "明治 01年 09月 08日");
        row(date(1869, 1, 1), era, "明治 02年 01月 01日");
        row(date(1989, 1, 7), era, "昭和 64年 01月 07日");
        row(date(1989, 1, 8), era, "平成 01年 01月 08日");
        row(date(2019, 5, 1), era, "令和 01年 05月 01日");
        texts(QString::fromUtf8(era),
              u"      年    月    日=      年    月    日|0600/01/01=0600/01/01"_s);
        row(u"0600/01/01"_s, "yyyy年", "0600年", "before the first era, no era asked");
        row(date(1989, 1, 8), "g gg e", "H 平 1");
    }
    void format() {
        QFETCH(QString, pattern);
        QFETCH(QVariant, value);
        QFETCH(QString, expected);
        QCOMPARE(Format(value, pattern), expected);
    }
};

QTEST_GUILESS_MAIN(TestText)
#include "tst_text.moc"
