// The dispatch table of the request: identifiers, kinds and types hosts are built against,
// late-bound calls, and the value checks of every assignment.
#include "Recording.h"

#include "request/Dispatch.h"
#include "request/TKV418C1.h"
#include "services/host/SharedRequestState.h"

#include <QMetaProperty>
#include <QTest>

#include <algorithm>
#include <limits>

using kema::request::MemberKind;
using kema::request::ValueType;

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

} // namespace

class TestDispatch : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { kema::test::RecordingMessageDisplay::install(); }
    void cleanupTestCase() { kema::ComponentRegistry::instance().reset(); }
    void init() {
        kema::test::RecordingMessageDisplay::shown().clear();
        kema::SharedRequestState::instance() = {};
    }

    void interface_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint32>("dispid");
        QTest::addColumn<MemberKind>("kind");
        QTest::addColumn<ValueType>("type");
        QTest::addColumn<int>("position");
        struct Row {
            const char* name;
            qint32 dispid;
            MemberKind kind;
            ValueType type;
        };
        const Row rows[] = {
            {"RaitenDenpyoPRINT", 0x60030016, MemberKind::Method, ValueType::Int32},
            {"KidouKbnL", 0x68030015, MemberKind::PropertyLet, ValueType::Int16},
            {"SyoriKbnL", 0x68030014, MemberKind::PropertyLet, ValueType::Int16},
            {"BarcodeKbnL", 0x68030013, MemberKind::PropertyLet, ValueType::Int16},
            {"QNumberL", 0x68030012, MemberKind::PropertyLet, ValueType::Text},
            {"DenpKbnL", 0x68030011, MemberKind::PropertyLet, ValueType::Int16},
            {"StoreCodeL", 0x68030010, MemberKind::PropertyLet, ValueType::Text},
            {"UserUQKeyL", 0x6803000f, MemberKind::PropertyLet, ValueType::Double},
            {"UserSKeyL", 0x6803000e, MemberKind::PropertyLet, ValueType::Int32},
            {"OutNumberL", 0x6803000d, MemberKind::PropertyLet, ValueType::Int16},
            {"OutKbnL", 0x6803000c, MemberKind::PropertyLet, ValueType::Int16},
            {"PrintKbnL", 0x6803000b, MemberKind::PropertyLet, ValueType::Int16},
            {"OutDate", 0x6803000a, MemberKind::PropertyLet, ValueType::Text},
            {"DenpyoNo", 0x68030009, MemberKind::PropertyLet, ValueType::Text},
            {"PRINT_OUT", 0x68030008, MemberKind::PropertyGet, ValueType::Int16},
            {"DBconnection", 0x68030007, MemberKind::PropertySet, ValueType::Connection},
            {"HOME_TEL", 0x68030006, MemberKind::PropertyLet, ValueType::Text},
            {"RENRAKUSAKI", 0x68030005, MemberKind::PropertyLet, ValueType::Text},
            {"RENRAKUBIKOU", 0x68030004, MemberKind::PropertyLet, ValueType::Text},
            {"KANA", 0x68030003, MemberKind::PropertyLet, ValueType::Text},
            {"KANJI", 0x68030002, MemberKind::PropertyLet, ValueType::Text},
            {"SEX", 0x68030001, MemberKind::PropertyLet, ValueType::Int16},
            {"BIRTH", 0x68030000, MemberKind::PropertyLet, ValueType::Text},
        };
        QCOMPARE(kema::request::members().size(), std::size(rows));
        int position = 0;
        for (const Row& row : rows)
            QTest::newRow(row.name) << QString::fromLatin1(row.name) << row.dispid << row.kind
                                    << row.type << position++;
    }
    void interface() {
        QFETCH(QString, name);
        QFETCH(qint32, dispid);
        QFETCH(MemberKind, kind);
        QFETCH(ValueType, type);
        QFETCH(int, position);
        const auto table = kema::request::members();
        const auto found = std::find_if(table.begin(), table.end(), [&](const auto& m) {
            return QLatin1StringView(m.name) == name;
        });
        QVERIFY(found != table.end());
        // The table keeps the order of the interface.
        QCOMPARE(int(found - table.begin()), position);
        const auto& member = *found;
        QCOMPARE(member.dispid, dispid);
        QVERIFY(member.kind == kind);
        QVERIFY(member.type == type);
        QCOMPARE(kema::request::findMember(dispid), &member);
        QCOMPARE(kema::request::findMember(name.toLower()), &member);
        QCOMPARE(kema::request::findMember(name.toUpper()), &member);
    }

    // The table and the class's meta-object describe the same members with the same types, so
    // C++ hosts and late-bound hosts see one interface.
    void tableMatchesTheClass() {
        kema::TKV418C1 request;
        const QMetaObject* meta = request.metaObject();
        for (const auto& member : kema::request::members()) {
            const QByteArray name(member.name);
            if (member.kind == MemberKind::Method) {
                const int index = meta->indexOfMethod(name + "()");
                QVERIFY2(index >= 0, name);
                QCOMPARE(meta->method(index).returnMetaType(), QMetaType::fromType<qint32>());
                continue;
            }
            const int index = meta->indexOfProperty(name);
            QVERIFY2(index >= 0, name);
            const QMetaProperty property = meta->property(index);
            QCOMPARE(property.isWritable(), member.kind != MemberKind::PropertyGet);
            const QMetaType expected = [&] {
                switch (member.type) {
                case ValueType::Int16:
                    return QMetaType::fromType<qint16>();
                case ValueType::Int32:
                    return QMetaType::fromType<qint32>();
                case ValueType::Double:
                    return QMetaType::fromType<double>();
                case ValueType::Text:
                    return QMetaType::fromType<QString>();
                case ValueType::Connection:
                    return QMetaType::fromType<kema::db::ConnectionPtr>();
                }
                return QMetaType();
            }();
            QCOMPARE(property.metaType(), expected);
        }
    }

    void unknownMembers() {
        kema::TKV418C1 request;
        QVERIFY(!kema::request::findMember(u"KidouKbn"));
        QVERIFY(!kema::request::findMember(0x68030017));
        const auto byName = kema::request::invoke(request, u"QNumberG", MemberKind::PropertyGet);
        QVERIFY(!byName);
        QCOMPARE(byName.error().number, long(kema::errors::NoSuchMember));
        const auto byId = kema::request::invoke(request, 0x12345678, MemberKind::Method);
        QVERIFY(!byId);
        QCOMPARE(byId.error().number, long(kema::errors::NoSuchMember));
    }

    void kinds_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<MemberKind>("kind");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("Let of a Let") << "KidouKbnL" << MemberKind::PropertyLet << true;
        QTest::newRow("Get of a Let") << "KidouKbnL" << MemberKind::PropertyGet << false;
        QTest::newRow("Set of a Let") << "QNumberL" << MemberKind::PropertySet << false;
        QTest::newRow("call of a Let") << "KANJI" << MemberKind::Method << false;
        QTest::newRow("Get of a Get") << "PRINT_OUT" << MemberKind::PropertyGet << true;
        QTest::newRow("Let of a Get") << "PRINT_OUT" << MemberKind::PropertyLet << false;
        QTest::newRow("Let of a Set") << "DBconnection" << MemberKind::PropertyLet << false;
        QTest::newRow("Get of a Set") << "DBconnection" << MemberKind::PropertyGet << false;
        QTest::newRow("Get of the method")
            << "RaitenDenpyoPRINT" << MemberKind::PropertyGet << false;
    }
    void kinds() {
        QFETCH(QString, name);
        QFETCH(MemberKind, kind);
        QFETCH(bool, allowed);
        kema::TKV418C1 request;
        const QVariant value = kind == MemberKind::PropertyLet ? QVariant(1) : QVariant();
        const auto result = kema::request::invoke(request, name, kind, value);
        QCOMPARE(result.ok(), allowed);
        if (!allowed) {
            QCOMPARE(result.error().number, long(kema::errors::InvalidPropertyUse));
            QVERIFY(result.error().description.contains(name));
        }
    }

    void coerce_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<ValueType>("type");
        QTest::addColumn<QVariant>("expected");
        QTest::addColumn<long>("error");
        const auto i16 = [](int v) { return QVariant::fromValue<qint16>(qint16(v)); };
        const auto i32 = [](qint32 v) { return QVariant::fromValue<qint32>(v); };
        const long ok = 0;
        const long overflow = kema::errors::Overflow;
        const long mismatch = kema::errors::TypeMismatch;
        QTest::newRow("int to 16") << QVariant(2) << ValueType::Int16 << i16(2) << ok;
        QTest::newRow("16 max") << QVariant(32767) << ValueType::Int16 << i16(32767) << ok;
        QTest::newRow("16 min") << QVariant(-32768) << ValueType::Int16 << i16(-32768) << ok;
        QTest::newRow("16 over") << QVariant(32768) << ValueType::Int16 << QVariant() << overflow;
        QTest::newRow("65537 not wrapped")
            << QVariant(65537) << ValueType::Int16 << QVariant() << overflow;
        QTest::newRow("16 under") << QVariant(-32769) << ValueType::Int16 << QVariant() << overflow;
        QTest::newRow("text to 16") << QVariant("12") << ValueType::Int16 << i16(12) << ok;
        QTest::newRow("blanks and sign") << QVariant(" \t-7 ") << ValueType::Int16 << i16(-7) << ok;
        QTest::newRow("text 65537")
            << QVariant("65537") << ValueType::Int16 << QVariant() << overflow;
        QTest::newRow("letters") << QVariant("abc") << ValueType::Int16 << QVariant() << mismatch;
        QTest::newRow("digits and letters")
            << QVariant("1a") << ValueType::Int16 << QVariant() << mismatch;
        QTest::newRow("empty text") << QVariant("") << ValueType::Int16 << QVariant() << mismatch;
        QTest::newRow("grouping") << QVariant("1,000") << ValueType::Int32 << QVariant()
                                  << mismatch;
        QTest::newRow("exponent") << QVariant("1e3") << ValueType::Int32 << QVariant() << mismatch;
        QTest::newRow("hexadecimal")
            << QVariant("0x10") << ValueType::Int32 << QVariant() << mismatch;
        QTest::newRow("full-width digits")
            << QVariant(QStringLiteral("１２")) << ValueType::Int16 << QVariant() << mismatch;
        QTest::newRow("half to even down") << QVariant(2.5) << ValueType::Int16 << i16(2) << ok;
        QTest::newRow("half to even up") << QVariant(3.5) << ValueType::Int16 << i16(4) << ok;
        QTest::newRow("negative half") << QVariant(-2.5) << ValueType::Int16 << i16(-2) << ok;
        QTest::newRow("text half") << QVariant("0.5") << ValueType::Int16 << i16(0) << ok;
        QTest::newRow("text fraction") << QVariant("1.6") << ValueType::Int16 << i16(2) << ok;
        QTest::newRow("rounds into range")
            << QVariant(32767.4) << ValueType::Int16 << i16(32767) << ok;
        QTest::newRow("rounds out of range")
            << QVariant(32767.5) << ValueType::Int16 << QVariant() << overflow;
        QTest::newRow("nan") << QVariant(std::numeric_limits<double>::quiet_NaN())
                             << ValueType::Int16 << QVariant() << mismatch;
        QTest::newRow("32 max") << QVariant(2147483647) << ValueType::Int32 << i32(2147483647)
                                << ok;
        QTest::newRow("32 over") << QVariant(qlonglong(2147483648LL)) << ValueType::Int32
                                 << QVariant() << overflow;
        QTest::newRow("32 text over")
            << QVariant("-2147483649") << ValueType::Int32 << QVariant() << overflow;
        QTest::newRow("unsigned 64 huge") << QVariant(std::numeric_limits<qulonglong>::max())
                                          << ValueType::Int32 << QVariant() << overflow;
        QTest::newRow("bool") << QVariant(true) << ValueType::Int16 << QVariant() << mismatch;
        QTest::newRow("nothing") << QVariant() << ValueType::Int16 << QVariant() << mismatch;
        QTest::newRow("double") << QVariant(12345.5) << ValueType::Double << QVariant(12345.5)
                                << ok;
        QTest::newRow("int to double") << QVariant(7) << ValueType::Double << QVariant(7.0) << ok;
        QTest::newRow("text to double")
            << QVariant(" 0.25 ") << ValueType::Double << QVariant(0.25) << ok;
        QTest::newRow("letters to double")
            << QVariant("x") << ValueType::Double << QVariant() << mismatch;
        QTest::newRow("infinity") << QVariant(std::numeric_limits<double>::infinity())
                                  << ValueType::Double << QVariant() << mismatch;
        QTest::newRow("text kept") << QVariant(" 0 ") << ValueType::Text << QVariant(" 0 ") << ok;
        QTest::newRow("int to text")
            << QVariant(130100002) << ValueType::Text << QVariant("130100002") << ok;
        QTest::newRow("double to text")
            << QVariant(0.05) << ValueType::Text << QVariant("0.05") << ok;
        QTest::newRow("whole double to text")
            << QVariant(90.0) << ValueType::Text << QVariant("90") << ok;
        QTest::newRow("bool to text")
            << QVariant(false) << ValueType::Text << QVariant() << mismatch;
        QTest::newRow("text to connection")
            << QVariant("DRIVER=SQLite3") << ValueType::Connection << QVariant() << mismatch;
    }
    void coerce() {
        QFETCH(QVariant, value);
        QFETCH(ValueType, type);
        QFETCH(QVariant, expected);
        QFETCH(long, error);
        const auto result = kema::request::coerce(value, type);
        if (error) {
            QVERIFY(!result);
            QCOMPARE(result.error().number, error);
            return;
        }
        QVERIFY2(result, result ? "" : qPrintable(result.error().description));
        QCOMPARE(result.value().metaType(), expected.metaType());
        QCOMPARE(result.value(), expected);
    }

    void assignmentErrorsNameTheMember() {
        kema::TKV418C1 request;
        const auto result =
            kema::request::invoke(request, u"kidoukbnl", MemberKind::PropertyLet, 65537);
        QVERIFY(!result);
        QCOMPARE(result.error().number, long(kema::errors::Overflow));
        QVERIFY(result.error().description.startsWith(u"KidouKbnL: "));
        QVERIFY(result.error().description.contains(u"65537"));
    }

    void methodByIdentifierAndName() {
        kema::TKV418C1 request;
        QVERIFY(kema::request::invoke(request, 0x68030015, MemberKind::PropertyLet, "0"));
        const auto byId = kema::request::invoke(request, 0x60030016, MemberKind::Method);
        const auto byName =
            kema::request::invoke(request, u"RAITENDENPYOPRINT", MemberKind::Method);
        QVERIFY(byId && byName);
        QCOMPARE(byId.value(), QVariant::fromValue<qint32>(-1));
        QCOMPARE(byName.value(), QVariant::fromValue<qint32>(-1));
        const auto& shown = kema::test::RecordingMessageDisplay::shown();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown.at(0).code, QStringLiteral("30008"));
        QCOMPARE(shown.at(1).code, QStringLiteral("30008"));
    }

    void printOutReadsTheSharedValue() {
        kema::TKV418C1 request;
        kema::SharedRequestState::instance().PRINT_OUT = 1;
        const auto value = kema::request::invoke(request, 0x68030008, MemberKind::PropertyGet);
        QVERIFY(value);
        QCOMPARE(value.value(), QVariant::fromValue<qint16>(1));
    }

    void connectionSetAndCleared() {
        kema::TKV418C1 request;
        auto connection = std::make_shared<kema::db::Connection>();
        QVERIFY(kema::request::invoke(request, 0x68030007, MemberKind::PropertySet,
                                      QVariant::fromValue(connection)));
        QCOMPARE(kema::SharedRequestState::instance().DBconnection, connection);
        QVERIFY(kema::request::invoke(request, 0x68030007, MemberKind::PropertySet,
                                      QVariant::fromValue(nullptr)));
        QVERIFY(!kema::SharedRequestState::instance().DBconnection);
        QVERIFY(connection.use_count() == 1);
    }

    void anyObjectByName() {
        Card card;
        QVERIFY(kema::request::setProperty(card, u"kidoukbnl", "2"));
        QCOMPARE(card.m_kidou, qint16(2));
        QVERIFY(kema::request::setProperty(card, u"USERUQKEYL", 41));
        QCOMPARE(card.m_key, 41.0);
        // A property of type QVariant converts the value itself: it gets it unchanged.
        QVERIFY(kema::request::setProperty(card, u"GrasRuikeiKingakuL", "12345.6789"));
        QCOMPARE(card.m_amount, QVariant("12345.6789"));
        const auto read = kema::request::property(card, u"printrtng");
        QVERIFY(read);
        QCOMPARE(read.value(), QVariant::fromValue<qint16>(-1));
    }

    void anyObjectRefusals_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<long>("error");
        QTest::newRow("unknown") << "DenpKbnL" << QVariant(1) << long(kema::errors::NoSuchMember);
        QTest::newRow("read-only")
            << "PrintRTNG" << QVariant(0) << long(kema::errors::InvalidPropertyUse);
        QTest::newRow("out of range")
            << "KidouKbnL" << QVariant(70000) << long(kema::errors::Overflow);
        QTest::newRow("letters") << "KidouKbnL" << QVariant("x")
                                 << long(kema::errors::TypeMismatch);
        QTest::newRow("unsupported type")
            << "Names" << QVariant("x") << long(kema::errors::TypeMismatch);
    }
    void anyObjectRefusals() {
        QFETCH(QString, name);
        QFETCH(QVariant, value);
        QFETCH(long, error);
        Card card;
        const auto set = kema::request::setProperty(card, name, value);
        QVERIFY(!set);
        QCOMPARE(set.error().number, error);
        QCOMPARE(card.m_kidou, qint16(0));
    }
};

QTEST_MAIN(TestDispatch)
#include "tst_dispatch.moc"
