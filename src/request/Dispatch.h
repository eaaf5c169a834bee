#pragma once

#include "services/Error.h"
#include "services/ErrorNumbers.h"

#include <QObject>
#include <QString>
#include <QStringView>
#include <QVariant>

#include <span>

namespace kema {
class TKV418C1;
}

namespace kema::request {

// How a late-bound caller reaches a member.
enum class MemberKind {
    Method,      // a call with a result
    PropertyGet, // reads a value
    PropertyLet, // stores a value
    PropertySet, // stores an object reference
};

enum class ValueType {
    Int16,
    Int32,
    Double,
    Text,
    Connection, // kema::db::ConnectionPtr
};

// Whether the launcher copies a member onto the report it creates.
enum class Copied { No, ToReport };

struct DispatchMember {
    const char* name;
    qint32 dispid;
    MemberKind kind;
    ValueType type;   // for a method, the type of its result
    Copied copied;    // the request values, in the order the launcher copies them
    const char* help; // what the member means, for people (raiten --help)
};

// The interface of TKV418C1, in the order and with the identifiers hosts are built against.
std::span<const DispatchMember> members();
// nullptr when no member has that identifier.
const DispatchMember* findMember(qint32 dispid);
// Names are matched without regard to case; nullptr when no member has that name.
const DispatchMember* findMember(QStringView name);

// Converts `value` to `type` the way a property assignment does, without ever wrapping:
// - Int16, Int32: any integer (range-checked), a finite double (rounded half to even, then
//   range-checked) or a text that reads as a number. Outside the range is errors::Overflow.
// - Double: any integer, a finite double, or a text that reads as a number.
// - Text: a text unchanged, an integer in decimal, a double in its shortest plain form.
// - Connection: a kema::db::ConnectionPtr (null clears).
// Anything else is errors::TypeMismatch. A text reads as a number when it is, apart from blanks
// and tabs around it, an optional sign followed by ASCII digits with at most one decimal point
// ("12", " -3 ", "2.5", ".5", "7."); no digit grouping, no exponent, no hexadecimal.
Result<QVariant> coerce(const QVariant& value, ValueType type);

// Late-bound calls on a request object. PropertyLet and PropertySet take `value`; PropertyGet
// and Method give the member's value or result. A member called with a kind it does not have
// is errors::InvalidPropertyUse; an unknown identifier or name is errors::NoSuchMember.
Result<QVariant> invoke(TKV418C1& request, qint32 dispid, MemberKind kind,
                        const QVariant& value = {});
Result<QVariant> invoke(TKV418C1& request, QStringView name, MemberKind kind,
                        const QVariant& value = {});

// Properties of any QObject by name, the way the launcher fills a report and a slip fills its
// customer card. Names are matched without regard to case. The value is converted with
// coerce() to the property's type (16-bit, 32-bit, double, text, connection); a property of
// type QVariant receives the value unchanged and converts it itself.
Status setProperty(QObject& object, QStringView name, const QVariant& value);
Result<QVariant> property(const QObject& object, QStringView name);

} // namespace kema::request
