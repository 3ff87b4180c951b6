#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>

/** What a keyed unarchiver may create. The plain value classes (strings, numbers, data, dates, arrays,
 *  dictionaries and their mutable forms) are always allowed; custom classes only when named here
 *  (and registered with KeyedArchive::registerClass). */
struct KeyedDecodeOptions
{
    /** Registered custom classes the archive may hold, by archived class name ("VelborPacket"). */
    QStringList allowedClasses;
    /** Allow every registered custom class (for archives the process wrote itself). */
    bool allowAllRegistered = false;
    /** Deepest nesting of objects accepted (the top-level object is depth 1). */
    int maxDepth = 64;
    /** The largest archive read, in bytes. */
    static constexpr qsizetype DefaultMaxSize = 16 * 1024 * 1024;
    qsizetype maxSize = DefaultMaxSize;
};

/**
 * Reads a keyed archive written in the platform's archiver layout (binary, or XML with CF$UID
 * references). Hostile input (cycles of UIDs, UIDs out of range, wrong types, classes that are not
 * allowed, too deep nesting, oversized graphs) makes the decode calls answer none, never crash.
 *
 * The unarchiver is also the coder that a registered custom class decodes itself with: inside a
 * decode function every call reads from the object being decoded; outside, from $top.
 */
class KeyedUnarchiver
{
public:
    explicit KeyedUnarchiver(const QByteArray& data, const KeyedDecodeOptions& options = {});
    ~KeyedUnarchiver();
    KeyedUnarchiver(const KeyedUnarchiver&) = delete;
    KeyedUnarchiver& operator=(const KeyedUnarchiver&) = delete;

    /** False when the bytes are not a keyed archive at all (then every decode answers none / 0). */
    bool isValid() const;
    /** True when the object being decoded has a value under key. */
    bool containsValueForKey(const QString& key) const;

    /** The object graph under key: a null QVariant for a stored nil; none when the key is missing or
     *  the graph is malformed or holds a class that is not allowed (the unarchiver is then failed). */
    std::optional<QVariant> decodeObject(const QString& key);
    /** The integer under key; 0 when missing or not a number (a real is truncated toward zero). */
    qint64 decodeInt(const QString& key);
    /** decodeInt cut to its low 32 bits, as a 32-bit field receives it. */
    qint32 decodeInt32(const QString& key);
    /** The real under key; 0 when missing or not a number. */
    double decodeDouble(const QString& key);
    /** The boolean under key; false when missing; a number counts as true when it is not 0. */
    bool decodeBool(const QString& key);

    /** True when the bytes were invalid or a decode call met a malformed or forbidden object. A custom
     *  class's decode function that answers none also fails the unarchiver. */
    bool hasFailed() const;
    /** Marks the unarchiver failed: for decode functions that find a field they cannot accept. */
    void fail();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
