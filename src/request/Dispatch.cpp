#include "request/Dispatch.h"
#include "services/ErrorNumbers.h"

#include "request/TKV418C1.h"
#include "services/database/Database.h"

#include <QLatin1StringView>
#include <QLocale>
#include <QMetaProperty>
#include <QRegularExpression>

#include <cmath>
#include <limits>
#include <optional>

namespace kema::request {

namespace {

using enum MemberKind;
using enum ValueType;
using enum Copied;

constexpr DispatchMember kMembers[] = {
    {"RaitenDenpyoPRINT", 0x60030016, Method, Int32, No,
     "prints the slip: 0 produced, -1 refused or failed"},
    {"KidouKbnL", 0x68030015, PropertyLet, Int16, ToReport,
     "start-up kind: 1 from the database, 2 blank form"},
    {"SyoriKbnL", 0x68030014, PropertyLet, Int16, ToReport,
     "1 by reception number, 2 by customer key"},
    {"BarcodeKbnL", 0x68030013, PropertyLet, Int16, ToReport, "1 prints the barcode"},
    {"QNumberL", 0x68030012, PropertyLet, Text, ToReport, "reception number"},
    {"DenpKbnL", 0x68030011, PropertyLet, Int16, ToReport, "1 glasses slip, 2 contact-lens slip"},
    {"StoreCodeL", 0x68030010, PropertyLet, Text, ToReport, "store code"},
    {"UserUQKeyL", 0x6803000f, PropertyLet, Double, ToReport, "customer unique key"},
    {"UserSKeyL", 0x6803000e, PropertyLet, Int32, ToReport, "customer sub-key"},
    {"OutNumberL", 0x6803000d, PropertyLet, Int16, ToReport, "number of copies"},
    {"OutKbnL", 0x6803000c, PropertyLet, Int16, ToReport, "output kind, 1 or 2"},
    {"PrintKbnL", 0x6803000b, PropertyLet, Int16, ToReport, "0 print, 1 preview"},
    {"OutDate", 0x6803000a, PropertyLet, Text, ToReport, "visit date (customer key)"},
    {"DenpyoNo", 0x68030009, PropertyLet, Text, No, "slip number for the barcode"},
    {"PRINT_OUT", 0x68030008, PropertyGet, Int16, No, "1 when the last preview was printed"},
    {"DBconnection", 0x68030007, PropertySet, Connection, No,
     "ODBC connection string of the host's connection"},
    {"HOME_TEL", 0x68030006, PropertyLet, Text, No, "home telephone (customer key)"},
    {"RENRAKUSAKI", 0x68030005, PropertyLet, Text, No, "contact telephone (customer key)"},
    {"RENRAKUBIKOU", 0x68030004, PropertyLet, Text, No, "contact remark (customer key)"},
    {"KANA", 0x68030003, PropertyLet, Text, No, "name in kana (customer key)"},
    {"KANJI", 0x68030002, PropertyLet, Text, No, "name in kanji (customer key)"},
    {"SEX", 0x68030001, PropertyLet, Int16, No, "1 or 2 selects the sex mark (customer key)"},
    {"BIRTH", 0x68030000, PropertyLet, Text, No, "birth date text (customer key)"},
};

QString typeName(ValueType type) {
    switch (type) {
    case Int16:
        return QStringLiteral("a 16-bit integer");
    case Int32:
        return QStringLiteral("a 32-bit integer");
    case Double:
        return QStringLiteral("a double");
    case Text:
        return QStringLiteral("a text");
    case Connection:
        return QStringLiteral("a database connection");
    }
    Q_UNREACHABLE();
}

QString describe(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<QString>())
        return u'"' + value.toString() + u'"';
    if (value.canConvert<QString>() && value.isValid())
        return value.toString();
    return QStringLiteral("a value of type ") +
           QString::fromLatin1(value.isValid() ? value.metaType().name() : "nothing");
}

Error typeMismatch(const QVariant& value, ValueType type) {
    return Error{errors::TypeMismatch, QStringLiteral("kema.dispatch"),
                 describe(value) + QStringLiteral(" is not ") + typeName(type)};
}

Error overflow(const QVariant& value, ValueType type) {
    return Error{errors::Overflow, QStringLiteral("kema.dispatch"),
                 describe(value) + QStringLiteral(" is outside the range of ") + typeName(type)};
}

Error withMember(Error error, QStringView member) {
    error.description = member.toString() + QStringLiteral(": ") + error.description;
    return error;
}

std::optional<double> readNumber(const QString& text) {
    static const QRegularExpression grammar(
        QStringLiteral("^[ \\t]*[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)[ \\t]*$"));
    if (!grammar.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double number = QLocale::c().toDouble(QStringView(text).trimmed(), &ok);
    return ok ? std::optional(number) : std::nullopt;
}

double roundHalfEven(double x) {
    if (std::fabs(x - std::trunc(x)) == 0.5)
        return 2.0 * std::round(x / 2.0);
    return std::round(x);
}

bool isInteger(QMetaType type) {
    switch (type.id()) {
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
        return true;
    default:
        return false;
    }
}

bool isFloating(QMetaType type) {
    return type.id() == QMetaType::Double || type.id() == QMetaType::Float;
}

bool isText(QMetaType type) {
    return type == QMetaType::fromType<QString>();
}

// The value as a number, or nothing when it is not one. Unsigned 64-bit values beyond the
// signed range are read as doubles so that they fail the range check instead of wrapping.
std::optional<double> numberOf(const QVariant& value) {
    const QMetaType type = value.metaType();
    if (isInteger(type))
        return double(value.toLongLong());
    if (type.id() == QMetaType::ULongLong)
        return double(value.toULongLong());
    if (isFloating(type)) {
        const double number = value.toDouble();
        return std::isfinite(number) ? std::optional(number) : std::nullopt;
    }
    if (isText(type))
        return readNumber(value.toString());
    return std::nullopt;
}

Result<QVariant> toInteger(const QVariant& value, ValueType type) {
    const auto number = numberOf(value);
    if (!number)
        return typeMismatch(value, type);
    const double whole = roundHalfEven(*number);
    const bool fits = type == Int16 ? whole >= std::numeric_limits<qint16>::min() &&
                                          whole <= std::numeric_limits<qint16>::max()
                                    : whole >= std::numeric_limits<qint32>::min() &&
                                          whole <= std::numeric_limits<qint32>::max();
    if (!fits)
        return overflow(value, type);
    if (type == Int16)
        return QVariant::fromValue(qint16(whole));
    return QVariant::fromValue(qint32(whole));
}

Result<QVariant> toText(const QVariant& value) {
    const QMetaType type = value.metaType();
    if (isText(type))
        return value;
    if (isInteger(type))
        return QVariant(QString::number(value.toLongLong()));
    if (type.id() == QMetaType::ULongLong)
        return QVariant(QString::number(value.toULongLong()));
    if (isFloating(type) && std::isfinite(value.toDouble()))
        return QVariant(QString::number(value.toDouble(), 'f', QLocale::FloatingPointShortest));
    return typeMismatch(value, Text);
}

Result<QVariant> toConnection(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<db::ConnectionPtr>())
        return value;
    if (value.metaType().id() == QMetaType::Nullptr)
        return QVariant::fromValue(db::ConnectionPtr());
    return typeMismatch(value, Connection);
}

std::optional<ValueType> valueTypeOf(QMetaType type) {
    switch (type.id()) {
    case QMetaType::Short:
        return Int16;
    case QMetaType::Int:
        return Int32;
    case QMetaType::Double:
        return Double;
    case QMetaType::QString:
        return Text;
    default:
        if (type == QMetaType::fromType<db::ConnectionPtr>())
            return Connection;
        return std::nullopt;
    }
}

std::optional<QMetaProperty> findProperty(const QObject& object, QStringView name) {
    const QMetaObject* meta = object.metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (name.compare(QLatin1StringView(property.name()), Qt::CaseInsensitive) == 0)
            return property;
    }
    return std::nullopt;
}

Error noSuchProperty(const QObject& object, QStringView name) {
    return Error{errors::NoSuchMember, QString::fromLatin1(object.metaObject()->className()),
                 QString::fromLatin1(object.metaObject()->className()) +
                     QStringLiteral(" has no property ") + name.toString()};
}

Error invalidUse(const QString& source, QStringView member, const QString& what) {
    return Error{errors::InvalidPropertyUse, source,
                 member.toString() + QStringLiteral(": ") + what};
}

Result<QVariant> invokeMember(TKV418C1& request, const DispatchMember& member, MemberKind kind,
                              const QVariant& value) {
    const QString source = QStringLiteral("TKV418.TKV418C1");
    const auto name = QLatin1StringView(member.name);
    if (kind != member.kind) {
        static const char* const kinds[] = {"called", "read", "assigned", "assigned by Set"};
        return invalidUse(source, QString(name),
                          QStringLiteral("cannot be ") + QLatin1StringView(kinds[int(kind)]));
    }
    switch (kind) {
    case Method: {
        qint32 result = 0;
        QMetaObject::invokeMethod(&request, member.name, Qt::DirectConnection,
                                  Q_RETURN_ARG(qint32, result));
        return QVariant::fromValue(result);
    }
    case PropertyGet:
        return property(request, QString(name));
    case PropertyLet:
    case PropertySet: {
        const auto converted = coerce(value, member.type);
        if (!converted)
            return withMember(converted.error(), QString(name));
        if (Status set = setProperty(request, QString(name), converted.value()); !set)
            return set.error();
        return QVariant();
    }
    }
    Q_UNREACHABLE();
}

Error noSuchMember(const QString& what) {
    return Error{errors::NoSuchMember, QStringLiteral("TKV418.TKV418C1"),
                 QStringLiteral("TKV418C1 has no member ") + what};
}

} // namespace

std::span<const DispatchMember> members() {
    return kMembers;
}

const DispatchMember* findMember(qint32 dispid) {
    for (const DispatchMember& member : kMembers) {
        if (member.dispid == dispid)
            return &member;
    }
    return nullptr;
}

const DispatchMember* findMember(QStringView name) {
    for (const DispatchMember& member : kMembers) {
        if (name.compare(QLatin1StringView(member.name), Qt::CaseInsensitive) == 0)
            return &member;
    }
    return nullptr;
}

Result<QVariant> coerce(const QVariant& value, ValueType type) {
    switch (type) {
    case Int16:
    case Int32:
        return toInteger(value, type);
    case Double: {
        const auto number = numberOf(value);
        if (!number)
            return typeMismatch(value, type);
        return QVariant(*number);
    }
    case Text:
        return toText(value);
    case Connection:
        return toConnection(value);
    }
    Q_UNREACHABLE();
}

Result<QVariant> invoke(TKV418C1& request, qint32 dispid, MemberKind kind, const QVariant& value) {
    const DispatchMember* member = findMember(dispid);
    if (!member)
        return noSuchMember(QStringLiteral("with identifier 0x") + QString::number(dispid, 16));
    return invokeMember(request, *member, kind, value);
}

Result<QVariant> invoke(TKV418C1& request, QStringView name, MemberKind kind,
                        const QVariant& value) {
    const DispatchMember* member = findMember(name);
    if (!member)
        return noSuchMember(name.toString());
    return invokeMember(request, *member, kind, value);
}

Status setProperty(QObject& object, QStringView name, const QVariant& value) {
    const auto property = findProperty(object, name);
    if (!property)
        return noSuchProperty(object, name);
    const QString source = QString::fromLatin1(object.metaObject()->className());
    const QString propertyName = QString::fromLatin1(property->name());
    if (!property->isWritable())
        return invalidUse(source, propertyName, QStringLiteral("cannot be assigned"));
    QVariant converted = value;
    if (property->metaType() != QMetaType::fromType<QVariant>()) {
        const auto type = valueTypeOf(property->metaType());
        if (!type && value.metaType() != property->metaType())
            return Error{errors::TypeMismatch, source,
                         propertyName + QStringLiteral(": ") + describe(value) +
                             QStringLiteral(" is not of type ") +
                             QString::fromLatin1(property->metaType().name())};
        if (type) {
            auto coerced = coerce(value, *type);
            if (!coerced)
                return withMember(coerced.error(), propertyName);
            converted = std::move(coerced).value();
        }
    }
    if (!property->write(&object, converted))
        return invalidUse(source, propertyName, QStringLiteral("refused the value"));
    return {};
}

Result<QVariant> property(const QObject& object, QStringView name) {
    const auto property = findProperty(object, name);
    if (!property)
        return noSuchProperty(object, name);
    if (!property->isReadable())
        return invalidUse(QString::fromLatin1(object.metaObject()->className()),
                          QString::fromLatin1(property->name()), QStringLiteral("cannot be read"));
    return property->read(&object);
}

} // namespace kema::request
