#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QVariant>

#include <optional>

/**
 * Property lists with the values of Format.h: QString, integers (read back as qint64), double, bool,
 * QByteArray, QDateTime (UTC), QVariantList/QStringList, QVariantMap, plus Plist::Uid for the object
 * references of keyed archives (binary form only).
 *
 * Reading never trusts its input: anything that is not a whole, well-formed property list answers
 * none, without crashing, hanging or using unbounded memory (see the limits below).
 */
namespace Plist {

enum class Kind { Xml, Binary };

/** Inputs larger than this are refused (bytes and files): 16 MiB, well above any settings file. */
inline constexpr qsizetype MaxInputSize = 16 * 1024 * 1024;
/** Deepest nesting of arrays and dictionaries accepted when reading (the top level is depth 1). */
inline constexpr int MaxDepth = 512;
/** Most values one read may produce, a value shared by several references counted each time, so that
 *  a small binary file cannot expand into an enormous tree. */
inline constexpr qint64 MaxValues = 4 * 1000 * 1000;

/** An object reference of a keyed archive: a binary "UID" object. */
struct Uid
{
    quint64 value = 0;
    friend bool operator==(const Uid& a, const Uid& b) { return a.value == b.value; }
};

/** The XML form, byte for byte as the platform writes it (header, DOCTYPE, tabs, keys sorted by code
 *  point, reals in their shortest round-trip form, "</plist>\n"). Answers none for a value that has no
 *  XML plist form: a null or unknown QVariant, a string with control characters or unpaired
 *  surrogates, an unsigned integer above the signed 64-bit range, a date outside the years 1-9999,
 *  a Uid. */
std::optional<QByteArray> toXml(const QVariant& value);
/** The binary form ("bplist00"); Uid values become UID objects. None as for toXml (a Uid is fine
 *  here), and also for a date more than 2^31 seconds away from 2001-01-01. */
std::optional<QByteArray> toBinary(const QVariant& value);

/** Reads XML or binary bytes; none for anything that is not a whole, well-formed property list, and
 *  for inputs over the limits above. Independent of the process locale. Binary UIDs come back as
 *  Plist::Uid values; integers as qint64 (values up to 2^64-1 wrap to negative, as the platform's
 *  one unsigned integer type is read). */
std::optional<QVariant> fromData(const QByteArray& bytes);

/** Reads a file (XML or binary); none when it is missing, unreadable, larger than MaxInputSize or
 *  malformed. */
std::optional<QVariant> readFile(const QString& path);
/** Writes value to path atomically in the given form; false on any failure (the old file stays). */
bool writeFile(const QString& path, const QVariant& value, Kind kind = Kind::Xml);

} // namespace Plist

Q_DECLARE_METATYPE(Plist::Uid)
