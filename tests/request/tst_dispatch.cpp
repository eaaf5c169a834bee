// The dispatch table of the request: identifiers, kinds and types hosts are built against,
// late-bound calls, and the value checks of every assignment.
#include "TestDatabase.h"

#include "request/Dispatch.h"
#include "request/TKV418C1.h"
#include "services/ErrorNumbers.h"
#include "services/host/SharedRequestState.h"

#include <QMetaProperty>
#include <QTest>

#include <limits>
#include <optional>

using namespace kema;
using namespace kema::request;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(kema::request::MemberKind)
Q_DECLARE_METATYPE(kema::request::ValueType)

namespace {

// A card-like object: the slips fill such objects by name through the same mechanism.
class Card : public QObject {
    Q_OBJECT
    Q_PROPERTY(qint16 KidouKbnL MEMBER m_kidou)
    Q_PROPERTY(QVariant GrasRuikeiKingakuL MEMBER m_amount)
    Q_PROPERTY(double UserUQKeyL MEMBER m_key)
    Q_PROPERTY(qint16 PrintRTNG READ PrintRTNG)
    Q_PROPERTY(QStringList Names MEMBER m_names)

public:
    qint16 PrintRTNG() const { return -1; }
    qint16 m_kidou = 0;
    QVariant m_amount;
    double m_key = 0;
    QStringList m_names;
};

QMetaType metaTypeOf(ValueType type) {
    switch (type) {
    case ValueType::Int16:
        return QMetaType::fromType<qint16>();
    case ValueType::Int32:
        return QMetaType::fromType<qint32>();
    case ValueType::Double:
        return QMetaType::fromType<double>();
    case ValueType::Text:
        return QMetaType::fromType<QString>();
    case ValueType::Connection:
        return QMetaType::fromType<db::ConnectionPtr>();
    }
    return {};
}

} // namespace

class TestDispatch : public QObject {
    Q_OBJECT

    std::optional<test::MessageRecorder> m_messages;

private slots:
    void initTestCase() { m_messages.emplace(); }
    void cleanupTestCase() { m_messages.reset(); }
    void init() {
        m_messages->clear();
        SharedRequestState::instance() = {};
    }

    // The members in the order of the interface, with their identifiers, kinds and types.
    void interface_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint32>("dispid");
        QTest::addColumn<MemberKind>("kind");
        QTest::addColumn<ValueType>("type");
        QTest::addColumn<int>("position");
        using enum MemberKind;
        using enum ValueType;
        int position = 0;
        const auto row = [&](const char* name, qint32 dispid, MemberKind kind, ValueType type) {
            QTest::newRow(name) << QString::fromLatin1(name) << dispid << kind << type
                                << position++;
        };
        row("RaitenDenpyoPRINT", 0x60030016, Method, Int32);
        row("KidouKbnL", 0x68030015, PropertyLet, Int16);
        row("SyoriKbnL", 0x68030014, PropertyLet, Int16);
        row("BarcodeKbnL", 0x68030013, PropertyLet, Int16);
        row("QNumberL", 0x68030012, PropertyLet, Text);
        row("DenpKbnL", 0x68030011, PropertyLet, Int16);
        row("StoreCodeL", 0x68030010, PropertyLet, Text);
        row("UserUQKeyL", 0x6803000f, PropertyLet, Double);
        row("UserSKeyL", 0x6803000e, PropertyLet, Int32);
        row("OutNumberL", 0x6803000d, PropertyLet, Int16);
        row("OutKbnL", 0x6803000c, PropertyLet, Int16);
        row("PrintKbnL", 0x6803000b, PropertyLet, Int16);
        row("OutDate", 0x6803000a, PropertyLet, Text);
        row("DenpyoNo", 0x68030009, PropertyLet, Text);
        row("PRINT_OUT", 0x68030008, PropertyGet, Int16);
        row("DBconnection", 0x68030007, PropertySet, Connection);
        row("HOME_TEL", 0x68030006, PropertyLet, Text);
        row("RENRAKUSAKI", 0x68030005, PropertyLet, Text);
        row("RENRAKUBIKOU", 0x68030004, PropertyLet, Text);
        row("KANA", 0x68030003, PropertyLet, Text);
        row("KANJI", 0x68030002, PropertyLet, Text);
        row("SEX", 0x68030001, PropertyLet, Int16);
        row("BIRTH", 0x68030000, PropertyLet, Text);
        QCOMPARE(int(members().size()), position);
    }
    // The table describes the class's meta-object too, so that C++ hosts and late-bound hosts
    // see one interface.
    void interface() {
        QFETCH(QString, name);
        QFETCH(qint32, dispid);
        QFETCH(MemberKind, kind);
        QFETCH(ValueType, type);
        QFETCH(int, position);
        QVERIFY(position < int(members().size()));
        const DispatchMember& member = members()[std::size_t(position)];
        QCOMPARE(QLatin1StringView(member.name), name);
        QCOMPARE(member.dispid, dispid);
        QVERIFY(member.kind == kind && member.type == type);
        QCOMPARE(findMember(dispid), &member);
        QCOMPARE(findMember(name.toLower()), &member);
        TKV418C1 request;
        const QMetaObject* meta = request.metaObject();
        if (kind == MemberKind::Method) {
            const int index = meta->indexOfMethod(qPrintable(name + u"()"_s));
            QVERIFY(index >= 0);
            QCOMPARE(meta->method(index).returnMetaType(), metaTypeOf(type));
            return;
        }
        const QMetaProperty property = meta->property(meta->indexOfProperty(qPrintable(name)));
        QVERIFY(property.isValid());
        QCOMPARE(property.isWritable(), kind != MemberKind::PropertyGet);
        QCOMPARE(property.metaType(), metaTypeOf(type));
    }

    void coerce_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<ValueType>("type");
        QTest::addColumn<QVariant>("expected");
        QTest::addColumn<long>("error");
        using enum ValueType;
        const auto row = [](const char* name, const QVariant& value, ValueType type,
                            const QVariant& expected, long error = 0) {
            QTest::newRow(name) << value << type << expected << error;
        };
        const auto i16 = [](int v) { return QVariant::fromValue<qint16>(qint16(v)); };
        const long overflow = kema::errors::Overflow;
        const long mismatch = kema::errors::TypeMismatch;
        row("16 max", 32767, Int16, i16(32767));
        row("16 over", 32768, Int16, {}, overflow);
        row("65537 not wrapped", 65537, Int16, {}, overflow);
        row("blanks and sign", " \t-7 ", Int16, i16(-7));
        row("empty text", "", Int16, {}, mismatch);
        row("exponent", "1e3", Int32, {}, mismatch);
        row("full-width digits", u"１２"_s, Int16, {}, mismatch);
        row("half to even", 2.5, Int16, i16(2));
        row("rounds out of range", 32767.5, Int16, {}, overflow);
        row("nan", std::numeric_limits<double>::quiet_NaN(), Int16, {}, mismatch);
        row("32 over", qlonglong(2147483648LL), Int32, {}, overflow);
        row("unsigned 64 huge", std::numeric_limits<qulonglong>::max(), Int32, {}, overflow);
        row("bool", true, Int16, {}, mismatch);
        row("int to double", 7, Double, 7.0);
        row("text to double", " 0.25 ", Double, 0.25);
        row("infinity", std::numeric_limits<double>::infinity(), Double, {}, mismatch);
        row("text kept", " 0 ", Text, " 0 ");
        row("int to text", 130100002, Text, "130100002");
        row("whole double to text", 90.0, Text, "90");
        row("bool to text", false, Text, {}, mismatch);
        row("text to connection", "DRIVER=SQLite3", Connection, {}, mismatch);
    }
    void coerce() {
        QFETCH(QVariant, value);
        QFETCH(ValueType, type);
        QFETCH(QVariant, expected);
        QFETCH(long, error);
        const auto result = request::coerce(value, type);
        QCOMPARE(result.ok() ? 0L : result.error().number, error);
        if (error)
            return;
        QCOMPARE(result.value().metaType(), expected.metaType());
        QCOMPARE(result.value(), expected);
    }

    // The host's connection is shared by the process and only borrowed.
    void connectionSetAndCleared() {
        auto connection = std::make_shared<db::Connection>();
        {
            TKV418C1 request;
            QVERIFY(invoke(request, 0x68030007, MemberKind::PropertySet,
                           QVariant::fromValue(connection)));
        }
        QCOMPARE(SharedRequestState::instance().DBconnection, connection);
        TKV418C1 request;
        QVERIFY(invoke(request, 0x68030007, MemberKind::PropertySet, QVariant::fromValue(nullptr)));
        QVERIFY(!SharedRequestState::instance().DBconnection);
        QCOMPARE(connection.use_count(), 1);
    }

    // Assigned by name in any case, then read back by that name: what the property holds.
    void anyObjectByName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<long>("error");
        QTest::addColumn<QVariant>("holds"); // invalid: no such property to read
        using namespace kema::errors;
        const auto row = [](const char* name, const QVariant& value, long error,
                            const QVariant& holds) {
            QTest::newRow(name) << QString::fromLatin1(name) << value << error << holds;
        };
        const auto i16 = [](int v) { return QVariant::fromValue<qint16>(qint16(v)); };
        row("kidoukbnl", "2", 0, i16(2));
        row("USERUQKEYL", 41, 0, 41.0);
        // A property of type QVariant converts the value itself: it gets it unchanged.
        row("GrasRuikeiKingakuL", "12345.6789", 0, "12345.6789");
        row("DenpKbnL", 1, NoSuchMember, {});
        row("printrtng", 0, InvalidPropertyUse, i16(-1));
        row("KidouKbnL", 70000, Overflow, i16(0));
        row("Names", "x", TypeMismatch, QStringList());
    }
    void anyObjectByName() {
        QFETCH(QString, name);
        QFETCH(QVariant, value);
        QFETCH(long, error);
        QFETCH(QVariant, holds);
        Card card;
        const auto set = request::setProperty(card, name, value);
        QCOMPARE(set.ok() ? 0L : set.error().number, error);
        const auto read = request::property(card, name);
        QCOMPARE(read.ok() ? read.value() : QVariant(), holds);
    }
};

QTEST_MAIN(TestDispatch)
#include "tst_dispatch.moc"
