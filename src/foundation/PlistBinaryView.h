#pragma once

#include <QByteArrayView>
#include <QStringView>
#include <QVariant>

#include <optional>

/**
 * The objects of a binary property list ("bplist00") read where they lie, one at a time and only when
 * asked for: a reader that needs a few fields of a list pays for those alone. Every offset, count and
 * reference is checked against the bytes, which the caller keeps alive while the view is used.
 */
class PlistBinaryView
{
public:
    enum class Kind : quint8 { Bool, Integer, Real, Date, Data, Ascii, Utf16, Uid, Array, Dict };

    struct Object
    {
        Kind kind;
        quint8 low;    // the marker's low nibble
        quint64 pos;   // the first byte after the marker (and its count)
        quint64 count; // bytes of data, characters of text, items of an array, entries of a dictionary
    };

    /** The view of bytes holding a binary property list; none when its header or trailer is malformed. */
    static std::optional<PlistBinaryView> open(QByteArrayView bytes);

    /** The number of objects, and the index of the top one. */
    quint64 size() const { return m_count; }
    quint64 top() const { return m_top; }

    /** The object at index; none when it lies outside the object area or is not a known kind. */
    std::optional<Object> object(quint64 index) const;
    /** The object index of an array's item i, or of a dictionary's key i (i < count) or value
     *  (count + i); none when i or the reference is out of range. */
    std::optional<quint64> ref(const Object& container, quint64 i) const;
    /** The index of the value stored under key in a dictionary; none when the key is absent. */
    std::optional<quint64> find(const Object& dict, QStringView key) const;
    /** True when the object is a text equal to key. */
    bool isText(const Object& o, QStringView key) const;
    /** The value of anything but an array or dictionary: bool, qint64 (16-byte integers keep their
     *  low 64 bits), double, QDateTime, QByteArray, QString or Plist::Uid; none for a container or a
     *  date out of range. */
    std::optional<QVariant> value(const Object& o) const;

private:
    PlistBinaryView() = default;
    quint64 be(quint64 pos, int bytes) const;
    bool fits(quint64 pos, quint64 count, quint64 unit) const;

    const uchar* m_data = nullptr;
    quint64 m_tableOffset = 0;
    quint64 m_count = 0;
    quint64 m_top = 0;
    int m_offsetSize = 0;
    int m_refSize = 0;
};
