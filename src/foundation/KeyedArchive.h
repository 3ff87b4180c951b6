#pragma once

#include "KeyedArchiver.h"
#include "KeyedUnarchiver.h"

#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <optional>

/**
 * Keyed archives in the platform's archiver layout (binary property lists, see KeyedArchiver), the
 * registry of custom classes, and one-call helpers for callers that store one object graph under one
 * top-level key:
 *
 *     auto bytes = KeyedArchive::archivedData(QVariant::fromValue(packet), QStringLiteral("packet"));
 *     auto back = KeyedArchive::unarchivedObject(*bytes, QStringLiteral("packet"),
 *                                                {.allowedClasses = {QStringLiteral("VelborPacket")}});
 *
 * A custom class is a copyable C++ value type held in a QVariant, registered once with its archived
 * class name and an encode and a decode function over the coders:
 *
 *     KeyedArchive::registerClass<VelborPacket>(QStringLiteral("VelborPacket"),
 *         [](const VelborPacket& p, KeyedArchiver& c) { c.encodeInt(p.type(), QStringLiteral("type")); ... },
 *         [](KeyedUnarchiver& c) -> std::optional<VelborPacket> { ... c.decodeInt32(QStringLiteral("type")) ... });
 */
namespace KeyedArchive {

/** Archives larger than this are refused when read (bytes or file), unless the decode options allow
 *  more: 16 MiB. */
inline constexpr qsizetype MaxArchiveSize = KeyedDecodeOptions::DefaultMaxSize;
/** Decoding stops with none when an object graph would expand to more objects than this (shared
 *  references counted each time they are used), so that a small archive cannot blow up. */
inline constexpr qint64 MaxDecodedObjects = 1000000;

/** A dictionary or array that the archive records as mutable (NSMutableDictionary, NSMutableArray).
 *  Decoding always answers plain QVariantMap / QVariantList, whatever the archived mutability. */
struct Mutable
{
    QVariant value;
};

using EncodeFunction = std::function<void(const QVariant& object, KeyedArchiver& coder)>;
using DecodeFunction = std::function<std::optional<QVariant>(KeyedUnarchiver& coder)>;

/**
 * Registers a custom class under its archived class name for the QVariant type `type`. $classes is
 * the name followed by `superclasses`. Answers false (and changes nothing) for an empty name, an
 * invalid type, missing functions, or a name or type already registered for another class; registering
 * the same name and type again replaces the functions. Thread-safe.
 */
bool registerClass(const QString& className, QMetaType type, EncodeFunction encode, DecodeFunction decode,
                   const QStringList& superclasses = {QStringLiteral("NSObject")});

/** Typed form: encode(const T&, KeyedArchiver&) (a const member function of T works too) and
 *  decode(KeyedUnarchiver&) -> std::optional<T>. */
template <typename T, typename Encode, typename Decode>
bool registerClass(const QString& className, Encode encode, Decode decode,
                   const QStringList& superclasses = {QStringLiteral("NSObject")})
{
    return registerClass(
        className, QMetaType::fromType<T>(),
        [encode](const QVariant& object, KeyedArchiver& coder) { std::invoke(encode, object.value<T>(), coder); },
        [decode](KeyedUnarchiver& coder) -> std::optional<QVariant> {
            std::optional<T> value = std::invoke(decode, coder);
            if (!value) {
                return std::nullopt;
            }
            return QVariant::fromValue(*value);
        },
        superclasses);
}

/** True when a custom class of that archived name is registered. */
bool isRegistered(const QString& className);

/** The archive holding `object` under the top-level key; none when the graph has a value with no
 *  archived form. With headroom, the archive follows that many zero bytes left for the caller. */
std::optional<QByteArray> archivedData(const QVariant& object, const QString& key = QStringLiteral("root"),
                                       qsizetype headroom = 0);

/** The object graph under the top-level key; none for anything that is not a well-formed archive with
 *  that key whose classes are all allowed. A stored nil answers a null QVariant. */
std::optional<QVariant> unarchivedObject(const QByteArray& data, const QString& key = QStringLiteral("root"),
                                         const KeyedDecodeOptions& options = {});

/** Writes archivedData(object, key) to path atomically; false on any failure (an old file stays). */
bool writeFile(const QString& path, const QVariant& object, const QString& key = QStringLiteral("root"));

/** unarchivedObject of the file's bytes; none when the file is missing, unreadable, larger than
 *  MaxArchiveSize, or not such an archive. */
std::optional<QVariant> readFile(const QString& path, const QString& key = QStringLiteral("root"),
                                 const KeyedDecodeOptions& options = {});

} // namespace KeyedArchive

Q_DECLARE_METATYPE(KeyedArchive::Mutable)
