// The binary property-list form: the writer's object table, and Plist::toBinary on top of it after the
// same checks as the XML writer.

#include "PlistBinaryWriter.h"

#include "Plist.h"
#include "PlistValue.h"

#include <QDateTime>
#include <QHashFunctions>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

namespace {

using PlistValue::arrayOf;
using PlistValue::hasUnpairedSurrogate;
using PlistValue::integerOf;
using PlistValue::kindOf;
using PlistValue::ReferenceEpochOffset;
using PlistValue::sortedEntries;
using PlistValue::ValueKind;

// Object markers (high nibble) of the format.
constexpr quint8 DataMarker = 0x4;
constexpr quint8 AsciiMarker = 0x5;
constexpr quint8 Utf16Marker = 0x6;
constexpr quint8 ArrayMarker = 0xA;
constexpr quint8 DictMarker = 0xD;

// The smallest of 1, 2, 4 and 8 bytes that holds value.
int bytesFor(quint64 value)
{
    return value <= 0xFF ? 1 : value <= 0xFFFF ? 2 : value <= 0xFFFFFFFFull ? 4 : 8;
}

// log2 of a size from bytesFor.
quint8 sizeExponent(int bytes)
{
    return bytes == 1 ? 0 : bytes == 2 ? 1 : bytes == 4 ? 2 : 3;
}

char* putBigEndian(char* p, quint64 value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i) {
        p[i] = char(value & 0xFF);
        value >>= 8;
    }
    return p + bytes;
}

// A marker with its count: in the low nibble up to 14, else nibble 0xF and an integer object.
qsizetype markerLength(quint64 count)
{
    return count < 15 ? 1 : 2 + bytesFor(count);
}

char* putMarker(char* p, quint8 marker, quint64 count)
{
    if (count < 15) {
        *p++ = char(marker << 4 | count);
        return p;
    }
    *p++ = char(marker << 4 | 0xF);
    const int bytes = bytesFor(count);
    *p++ = char(0x10 | sizeExponent(bytes));
    return putBigEndian(p, count, bytes);
}

// The hash of a data payload. Long payloads are hashed by their length and their first and last
// kilobyte only: hashing megabytes would cost more than writing them, and equal-looking payloads are
// still told apart by comparing them in full.
size_t payloadHash(const QByteArray& bytes)
{
    constexpr qsizetype Sample = 1024;
    if (bytes.size() <= 2 * Sample) {
        return qHash(bytes);
    }
    return qHashMulti(bytes.size(), QByteArrayView(bytes.constData(), Sample),
                      QByteArrayView(bytes.constData() + bytes.size() - Sample, Sample));
}

quint64 bitsOf(double value)
{
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

} // namespace

PlistBinaryWriter::PlistBinaryWriter() : m_unique(64, 0)
{
    // Room for a typical message or settings list, so that a small one is written without regrowing.
    m_objects.reserve(64);
    m_encoded.reserve(1024);
    m_refs.reserve(128);
}

void PlistBinaryWriter::appendMarker(quint8 marker, quint64 count)
{
    const qsizetype at = m_encoded.size();
    m_encoded.resize(at + markerLength(count));
    putMarker(m_encoded.data() + at, marker, count);
}

void PlistBinaryWriter::appendBigEndian(quint64 value, int bytes)
{
    const qsizetype at = m_encoded.size();
    m_encoded.resize(at + bytes);
    putBigEndian(m_encoded.data() + at, value, bytes);
}

bool PlistBinaryWriter::sameObject(const Object& o, qsizetype first, qsizetype length, const QByteArray* payload) const
{
    if (o.container || o.length != length ||
        std::memcmp(m_encoded.constData() + o.first, m_encoded.constData() + first, size_t(length)) != 0) {
        return false;
    }
    if (!payload || o.payload < 0) {
        return !payload && o.payload < 0;
    }
    const QByteArray& stored = m_payloads[size_t(o.payload)];
    return stored.constData() == payload->constData() ? stored.size() == payload->size() : stored == *payload;
}

size_t PlistBinaryWriter::hashOf(qsizetype first, qsizetype length, const QByteArray* payload) const
{
    const size_t hash = qHashBits(m_encoded.constData() + first, size_t(length));
    return payload ? qHashMulti(hash, payloadHash(*payload)) : hash;
}

PlistBinaryWriter::Ref PlistBinaryWriter::addUnique(qsizetype first, bool hasPayload)
{
    const qsizetype length = m_encoded.size() - first;
    const QByteArray* payload = hasPayload ? &m_payloads.back() : nullptr;
    if (size_t(m_uniqueCount + 1) * 2 > m_unique.size()) { // keep the table at most half full
        std::vector<Ref> grown(m_unique.size() * 2, 0);
        for (const Ref slot : m_unique) {
            if (slot) {
                const Object& o = m_objects[slot - 1];
                const QByteArray* stored = o.payload >= 0 ? &m_payloads[size_t(o.payload)] : nullptr;
                size_t i = hashOf(o.first, o.length, stored) & (grown.size() - 1);
                while (grown[i]) {
                    i = (i + 1) & (grown.size() - 1);
                }
                grown[i] = slot;
            }
        }
        m_unique.swap(grown);
    }
    size_t i = hashOf(first, length, payload) & (m_unique.size() - 1);
    for (; m_unique[i]; i = (i + 1) & (m_unique.size() - 1)) {
        if (sameObject(m_objects[m_unique[i] - 1], first, length, payload)) {
            m_encoded.truncate(first);
            if (payload) {
                m_payloads.pop_back();
            }
            return m_unique[i] - 1;
        }
    }
    m_objects.push_back(Object{first, length, payload ? qsizetype(m_payloads.size()) - 1 : -1});
    m_unique[i] = m_objects.size();
    ++m_uniqueCount;
    return m_objects.size() - 1;
}

PlistBinaryWriter::Ref PlistBinaryWriter::addString(const QString& text)
{
    const qsizetype first = m_encoded.size();
    const char16_t* units = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype n = text.size();
    const bool ascii = std::all_of(units, units + n, [](char16_t u) { return u < 0x80; });
    m_encoded.resize(first + markerLength(quint64(n)) + (ascii ? n : 2 * n));
    char* p = putMarker(m_encoded.data() + first, ascii ? AsciiMarker : Utf16Marker, quint64(n));
    for (qsizetype i = 0; i < n; ++i) {
        if (!ascii) {
            *p++ = char(units[i] >> 8);
        }
        *p++ = char(units[i] & 0xFF);
    }
    return addUnique(first);
}

PlistBinaryWriter::Ref PlistBinaryWriter::addInteger(qint64 value)
{
    const qsizetype first = m_encoded.size();
    const int bytes = value < 0 ? 8 : bytesFor(quint64(value));
    m_encoded.append(char(0x10 | sizeExponent(bytes)));
    appendBigEndian(quint64(value), bytes);
    return addUnique(first);
}

PlistBinaryWriter::Ref PlistBinaryWriter::addReal(double value)
{
    const qsizetype first = m_encoded.size();
    // A value that a float holds exactly is stored in 4 bytes, as this writer always has: the
    // platform's unarchivers then read it as a float number (the message peers print it as one).
    if (std::fabs(value) <= double(std::numeric_limits<float>::max()) && double(float(value)) == value) {
        const float f = float(value);
        quint32 bits;
        std::memcpy(&bits, &f, sizeof bits);
        m_encoded.append(char(0x22));
        appendBigEndian(bits, 4);
    } else {
        m_encoded.append(char(0x23));
        appendBigEndian(bitsOf(value), 8);
    }
    return addUnique(first);
}

PlistBinaryWriter::Ref PlistBinaryWriter::addDate(double secondsSince2001)
{
    const qsizetype first = m_encoded.size();
    m_encoded.append(char(0x33));
    appendBigEndian(bitsOf(secondsSince2001), 8);
    return addUnique(first);
}

PlistBinaryWriter::Ref PlistBinaryWriter::addBool(bool value)
{
    const qsizetype first = m_encoded.size();
    m_encoded.append(char(value ? 0x09 : 0x08));
    return addUnique(first);
}

PlistBinaryWriter::Ref PlistBinaryWriter::addUid(quint64 value)
{
    const qsizetype first = m_encoded.size();
    const int bytes = bytesFor(value);
    m_encoded.append(char(0x80 | (bytes - 1)));
    appendBigEndian(value, bytes);
    return addUnique(first);
}

PlistBinaryWriter::Ref PlistBinaryWriter::addData(const QByteArray& bytes)
{
    // The bytes themselves are copied once, straight into the output.
    const qsizetype first = m_encoded.size();
    appendMarker(DataMarker, quint64(bytes.size()));
    m_payloads.push_back(bytes);
    return addUnique(first, true);
}

PlistBinaryWriter::Ref PlistBinaryWriter::addContainer(quint8 marker, std::span<const Ref> a, std::span<const Ref> b)
{
    const qsizetype first = qsizetype(m_refs.size());
    m_refs.insert(m_refs.end(), a.begin(), a.end());
    m_refs.insert(m_refs.end(), b.begin(), b.end());
    m_objects.push_back(Object{first, qsizetype(m_refs.size()) - first, -1, marker});
    return m_objects.size() - 1;
}

PlistBinaryWriter::Ref PlistBinaryWriter::addArray(std::span<const Ref> items)
{
    return addContainer(ArrayMarker, items);
}

PlistBinaryWriter::Ref PlistBinaryWriter::addDict(std::span<const Ref> keys, std::span<const Ref> values)
{
    Q_ASSERT(keys.size() == values.size());
    return addContainer(DictMarker, keys, values);
}

QByteArray PlistBinaryWriter::finish(Ref top, qsizetype headroom) const
{
    // Header "bplist00", the objects, the table of their offsets, a 32-byte trailer.
    const quint64 count = m_objects.size();
    const int refSize = bytesFor(count);
    quint64 tableOffset = 8;
    for (const Object& o : m_objects) {
        if (o.container) {
            const quint64 entries = o.container == DictMarker ? quint64(o.length) / 2 : quint64(o.length);
            tableOffset += quint64(markerLength(entries)) + quint64(o.length) * quint64(refSize);
        } else {
            tableOffset += quint64(o.length) + (o.payload >= 0 ? quint64(m_payloads[size_t(o.payload)].size()) : 0);
        }
    }
    const int offsetSize = bytesFor(tableOffset);
    QByteArray out(headroom + qsizetype(tableOffset + count * quint64(offsetSize) + 32), Qt::Uninitialized);
    std::memset(out.data(), 0, size_t(headroom));
    char* const begin = out.data() + headroom;
    char* p = begin;
    char* table = begin + tableOffset;
    std::memcpy(p, "bplist00", 8);
    p += 8;
    for (const Object& o : m_objects) {
        table = putBigEndian(table, quint64(p - begin), offsetSize);
        if (o.container) {
            const quint64 entries = o.container == DictMarker ? quint64(o.length) / 2 : quint64(o.length);
            p = putMarker(p, o.container, entries);
            for (qsizetype i = 0; i < o.length; ++i) {
                p = putBigEndian(p, m_refs[size_t(o.first + i)], refSize);
            }
            continue;
        }
        std::memcpy(p, m_encoded.constData() + o.first, size_t(o.length));
        p += o.length;
        if (o.payload >= 0) {
            const QByteArray& bytes = m_payloads[size_t(o.payload)];
            std::memcpy(p, bytes.constData(), size_t(bytes.size()));
            p += bytes.size();
        }
    }
    Q_ASSERT(p == begin + tableOffset);
    p = table;
    std::memset(p, 0, 6);
    p += 6;
    *p++ = char(offsetSize);
    *p++ = char(refSize);
    p = putBigEndian(p, count, 8);
    p = putBigEndian(p, top, 8);
    putBigEndian(p, tableOffset, 8);
    return out;
}

namespace {

std::optional<PlistBinaryWriter::Ref> add(PlistBinaryWriter& writer, const QVariant& value, int depth)
{
    if (depth > Plist::MaxDepth) {
        return std::nullopt;
    }
    switch (kindOf(value)) {
    case ValueKind::String: {
        const QString s = value.toString();
        if (hasUnpairedSurrogate(s) || s.contains(QChar(0))) {
            return std::nullopt; // no form in the other property-list writers either
        }
        return writer.addString(s);
    }
    case ValueKind::Bool:
        return writer.addBool(value.toBool());
    case ValueKind::Integer: {
        const auto i = integerOf(value);
        return i ? std::optional(writer.addInteger(*i)) : std::nullopt;
    }
    case ValueKind::Real:
        return writer.addReal(value.toDouble());
    case ValueKind::Data:
        return writer.addData(value.toByteArray());
    case ValueKind::Date: {
        const QDateTime date = value.toDateTime();
        if (!date.isValid()) {
            return std::nullopt;
        }
        const qint64 unixMs = date.toMSecsSinceEpoch();
        if (unixMs < -(qint64(1) << 50) || unixMs > (qint64(1) << 50)) {
            return std::nullopt; // far outside the range below; also keeps the arithmetic in range
        }
        // Whole seconds and microseconds, the seconds within 32 bits as the format's readers expect.
        const qint64 ms = unixMs - ReferenceEpochOffset * 1000;
        const qint64 sec = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
        const qint64 usec = (ms - sec * 1000) * 1000;
        if (sec < std::numeric_limits<qint32>::min() || sec > std::numeric_limits<qint32>::max()) {
            return std::nullopt;
        }
        return writer.addDate(double(sec) + double(usec) / 1000000.0);
    }
    case ValueKind::Uid:
        return writer.addUid(value.value<Plist::Uid>().value);
    case ValueKind::Array: {
        const QVariantList items = arrayOf(value);
        std::vector<PlistBinaryWriter::Ref> refs;
        refs.reserve(size_t(items.size()));
        for (const QVariant& item : items) {
            const auto ref = add(writer, item, depth + 1);
            if (!ref) {
                return std::nullopt;
            }
            refs.push_back(*ref);
        }
        return writer.addArray(refs);
    }
    case ValueKind::Dict: {
        const auto entries = sortedEntries(value);
        std::vector<PlistBinaryWriter::Ref> keys;
        std::vector<PlistBinaryWriter::Ref> values;
        keys.reserve(entries.size());
        values.reserve(entries.size());
        for (const auto& [key, item] : entries) {
            if (hasUnpairedSurrogate(key) || key.contains(QChar(0))) {
                return std::nullopt;
            }
            const auto ref = add(writer, item, depth + 1);
            if (!ref) {
                return std::nullopt;
            }
            keys.push_back(writer.addString(key));
            values.push_back(*ref);
        }
        return writer.addDict(keys, values);
    }
    case ValueKind::Invalid:
        break;
    }
    return std::nullopt;
}

} // namespace

std::optional<QByteArray> Plist::toBinary(const QVariant& value)
{
    PlistBinaryWriter writer;
    const auto top = add(writer, value, 1);
    if (!top) {
        return std::nullopt;
    }
    return writer.finish(*top);
}
