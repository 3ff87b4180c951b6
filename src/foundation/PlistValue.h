#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <optional>
#include <utility>
#include <vector>

/** How property lists and keyed archives see a QVariant; shared by their readers and writers. */
namespace PlistValue {

/** Seconds between 1970-01-01 and 2001-01-01, the platform's reference date. */
inline constexpr qint64 ReferenceEpochOffset = 978307200;

enum class ValueKind { Invalid, String, Integer, Real, Bool, Data, Date, Array, Dict, Uid };

/** The plist kind of a value; Invalid for a null QVariant or a type with no plist form. */
ValueKind kindOf(const QVariant& value);
/** True for integers and booleans: the values stored as whole numbers. */
inline bool isIntegerOrBool(const QVariant& value)
{
    const ValueKind kind = kindOf(value);
    return kind == ValueKind::Integer || kind == ValueKind::Bool;
}
/** True for integers, reals and booleans: the values read as numbers. */
inline bool isNumber(const QVariant& value)
{
    const ValueKind kind = kindOf(value);
    return kind == ValueKind::Integer || kind == ValueKind::Real || kind == ValueKind::Bool;
}
/** The integer of an Integer value; none for an unsigned value above the signed 64-bit range. */
std::optional<qint64> integerOf(const QVariant& value);
/** The items of an Array value (a QStringList as strings). */
QVariantList arrayOf(const QVariant& value);
/** True when the text holds a surrogate without its partner (no UTF-8 form). */
bool hasUnpairedSurrogate(const QString& s);
/** The entries of a Dict value sorted by the code points of their keys (UTF-16 order differs for
 *  characters beyond the basic plane). */
std::vector<std::pair<QString, QVariant>> sortedEntries(const QVariant& value);

/** The UTC date-time of seconds since 1970; none when not finite or out of range. */
std::optional<QDateTime> dateFromUnixSeconds(double seconds);

/** The readers behind Plist::fromData, for input already checked against Plist::MaxInputSize. */
std::optional<QVariant> readXml(const QByteArray& bytes);
std::optional<QVariant> readBinary(const QByteArray& bytes);

} // namespace PlistValue
