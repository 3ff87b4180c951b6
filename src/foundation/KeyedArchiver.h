#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

/**
 * Writes a keyed archive in the platform's archiver layout: a binary property list
 * {$version: 100000, $archiver: "NSKeyedArchiver", $top: {...}, $objects: ["$null", ...]} whose
 * objects refer to each other by UID.
 *
 * The archiver is also the coder that a registered custom class encodes itself with (see
 * KeyedArchive::registerClass): inside an encode function every encode call writes into the object
 * being encoded; outside, into $top. Objects: QString, numbers (int, qint64, double, bool), QByteArray,
 * QDateTime, QVariantList/QStringList, QVariantMap, KeyedArchive::Mutable, a null QVariant ($null) and
 * values of registered custom classes. Anything else makes the archive fail.
 */
class KeyedArchiver
{
public:
    KeyedArchiver();
    ~KeyedArchiver();
    KeyedArchiver(const KeyedArchiver&) = delete;
    KeyedArchiver& operator=(const KeyedArchiver&) = delete;

    /** Encodes an object graph under key. A value with no archived form marks the archiver failed. */
    void encodeObject(const QVariant& object, const QString& key);
    /** Stores an integer inline under key. */
    void encodeInt(qint64 value, const QString& key);
    /** Stores a real inline under key. */
    void encodeDouble(double value, const QString& key);
    /** Stores a boolean inline under key. */
    void encodeBool(bool value, const QString& key);

    /** True once an encode call failed; finishEncoding() then answers none. */
    bool hasFailed() const;
    /** Ends the archive: the binary property list (after `headroom` zero bytes left for the caller),
     *  or none when an encode call failed. The archiver takes no further calls afterwards (they mark
     *  it failed). */
    std::optional<QByteArray> finishEncoding(qsizetype headroom = 0);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
