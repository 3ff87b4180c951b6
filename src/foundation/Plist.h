#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <optional>

/**
 * Property lists on libplist, with the values of Format.h: QString, qint64/int, double, bool,
 * QByteArray, QDateTime, QVariantList, QVariantMap.
 */
namespace Plist {

enum class Kind { Xml, Binary };

/** The XML form, byte for byte as the platform writes it (header, DOCTYPE, tabs, "</plist>\n").
 *  Answers none for a value that has no plist form. */
std::optional<QByteArray> toXml(const QVariant& value);
/** The binary form ("bplist00"). */
std::optional<QByteArray> toBinary(const QVariant& value);

/** Reads XML or binary bytes; none for anything that is not a whole, well-formed property list. */
std::optional<QVariant> fromData(const QByteArray& bytes);

/** Reads a file (XML or binary); none when it is missing, unreadable, too large or malformed. */
std::optional<QVariant> readFile(const QString& path);
/** Writes value to path atomically in the given form; false on any failure (the old file stays). */
bool writeFile(const QString& path, const QVariant& value, Kind kind = Kind::Xml);

} // namespace Plist
