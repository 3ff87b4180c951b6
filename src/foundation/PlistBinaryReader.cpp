// The binary property-list reader ("bplist00"). Not libplist's: it overflows the stack on deeply
// chained objects and expands shared objects exponentially. Every object is decoded once, with its
// height and value count kept, so that depth and size are checked without walking shared parts again.

#include "Plist.h"
#include "PlistValue.h"

#include <QDateTime>
#include <QTimeZone>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

using PlistValue::dateFromUnixSeconds;
using PlistValue::ReferenceEpochOffset;

class BinaryReader
{
public:
    explicit BinaryReader(const QByteArray& bytes)
        : m_data(reinterpret_cast<const uchar*>(bytes.constData())), m_size(quint64(bytes.size()))
    {
    }

    std::optional<QVariant> read()
    {
        // Header "bplist00", objects, offset table, 32-byte trailer.
        if (m_size < 8 + 1 + 32) {
            return std::nullopt;
        }
        const uchar* trailer = m_data + m_size - 32;
        m_offsetSize = trailer[6];
        m_refSize = trailer[7];
        const quint64 count = be(trailer + 8, 8);
        const quint64 top = be(trailer + 16, 8);
        const quint64 tableOffset = be(trailer + 24, 8);
        if (m_offsetSize < 1 || m_offsetSize > 8 || m_refSize < 1 || m_refSize > 8 || count == 0 || top >= count ||
            tableOffset < 9 || tableOffset > m_size - 32 || count > (m_size - 32 - tableOffset) / m_offsetSize) {
            return std::nullopt;
        }
        m_tableOffset = tableOffset;
        m_objects.resize(size_t(count));
        if (!decode(top, 1)) {
            return std::nullopt;
        }
        return m_objects[size_t(top)].value;
    }

private:
    struct Object
    {
        enum State : quint8 { Unvisited, InProgress, Done };
        State state = Unvisited;
        int height = 0;
        qint64 values = 0;
        QVariant value;
    };

    static quint64 be(const uchar* p, int n)
    {
        quint64 v = 0;
        for (int i = 0; i < n; ++i) {
            v = (v << 8) | p[i];
        }
        return v;
    }

    // Reads the element count that follows a marker (nibble 0xF means an integer object follows);
    // advances pos past it.
    bool count(quint64& pos, uchar nibble, quint64& out) const
    {
        if (nibble != 0xF) {
            out = nibble;
            return true;
        }
        if (pos >= m_tableOffset) {
            return false;
        }
        const uchar marker = m_data[pos++];
        if ((marker & 0xF0) != 0x10 || (marker & 0x0F) > 3) {
            return false;
        }
        const int n = 1 << (marker & 0x0F);
        if (pos + quint64(n) > m_tableOffset) {
            return false;
        }
        out = be(m_data + pos, n);
        pos += quint64(n);
        return true;
    }

    bool fits(quint64 pos, quint64 count, quint64 unit) const
    {
        return pos <= m_tableOffset && count <= (m_tableOffset - pos) / unit;
    }

    bool decode(quint64 index, int depth)
    {
        Object& slot = m_objects[size_t(index)];
        if (slot.state == Object::InProgress) {
            return false; // a cycle
        }
        if (slot.state == Object::Done) {
            return depth + slot.height - 1 <= Plist::MaxDepth;
        }
        slot.state = Object::InProgress;
        const quint64 pos = be(m_data + m_tableOffset + index * m_offsetSize, m_offsetSize);
        if (pos < 8 || pos >= m_tableOffset) {
            return false;
        }
        if (!decodeAt(pos, depth, index)) {
            return false;
        }
        m_objects[size_t(index)].state = Object::Done;
        return true;
    }

    bool finish(quint64 index, QVariant value, int height = 1, qint64 values = 1)
    {
        Object& slot = m_objects[size_t(index)];
        slot.value = std::move(value);
        slot.height = height;
        slot.values = values;
        return values <= Plist::MaxValues;
    }

    bool decodeAt(quint64 pos, int depth, quint64 index)
    {
        const uchar marker = m_data[pos++];
        const uchar high = marker >> 4;
        const uchar low = marker & 0x0F;
        switch (high) {
        case 0x0:
            if (marker == 0x08 || marker == 0x09) {
                return finish(index, QVariant(marker == 0x09));
            }
            return false;
        case 0x1: { // integer of 2^low bytes, big-endian; 16-byte ones keep their low 64 bits
            if (low > 4) {
                return false;
            }
            const quint64 n = quint64(1) << low;
            if (!fits(pos, n, 1)) {
                return false;
            }
            const quint64 v = n == 16 ? be(m_data + pos + 8, 8) : be(m_data + pos, int(n));
            return finish(index, QVariant(qint64(v)));
        }
        case 0x2: { // real: 4- or 8-byte IEEE
            if ((low != 2 && low != 3) || !fits(pos, quint64(1) << low, 1)) {
                return false;
            }
            return finish(index, QVariant(readReal(pos, low)));
        }
        case 0x3: { // date: 8-byte real, seconds since 2001
            if (marker != 0x33 || !fits(pos, 8, 1)) {
                return false;
            }
            const auto date = dateFromUnixSeconds(readReal(pos, 3) + double(ReferenceEpochOffset));
            return date && finish(index, QVariant(*date));
        }
        case 0x4:
        case 0x5:
        case 0x6: {
            quint64 n = 0;
            const quint64 unit = high == 0x6 ? 2 : 1;
            if (!count(pos, low, n) || !fits(pos, n, unit)) {
                return false;
            }
            const auto* p = reinterpret_cast<const char*>(m_data + pos);
            if (high == 0x4) {
                return finish(index, QVariant(QByteArray(p, qsizetype(n))));
            }
            if (high == 0x5) {
                return finish(index, QVariant(QString::fromLatin1(p, qsizetype(n))));
            }
            QString s(qsizetype(n), Qt::Uninitialized);
            for (quint64 i = 0; i < n; ++i) {
                s[qsizetype(i)] = QChar(char16_t(be(m_data + pos + 2 * i, 2)));
            }
            return finish(index, QVariant(s));
        }
        case 0x8: { // UID of low+1 bytes
            if (!fits(pos, quint64(low) + 1, 1)) {
                return false;
            }
            return finish(index, QVariant::fromValue(Plist::Uid{be(m_data + pos, low + 1)}));
        }
        case 0xA:
        case 0xC: // arrays and sets both read as arrays
        case 0xD: {
            if (depth > Plist::MaxDepth) {
                return false;
            }
            quint64 n = 0;
            const quint64 refsPerEntry = high == 0xD ? 2 : 1;
            if (!count(pos, low, n) || !fits(pos, n, refsPerEntry * m_refSize)) {
                return false;
            }
            return high == 0xD ? decodeDict(pos, n, depth, index) : decodeArray(pos, n, depth, index);
        }
        default:
            return false;
        }
    }

    double readReal(quint64 pos, uchar low) const
    {
        if (low == 2) {
            const quint32 bits = quint32(be(m_data + pos, 4));
            float f;
            std::memcpy(&f, &bits, sizeof f);
            return double(f);
        }
        const quint64 bits = be(m_data + pos, 8);
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }

    std::optional<quint64> ref(quint64 pos) const
    {
        const quint64 r = be(m_data + pos, m_refSize);
        if (r >= m_objects.size()) {
            return std::nullopt;
        }
        return r;
    }

    // Decodes a child; adds its height and value count to the running totals.
    bool child(quint64 r, int depth, int& height, qint64& values)
    {
        if (!decode(r, depth + 1)) {
            return false;
        }
        const Object& o = m_objects[size_t(r)];
        height = std::max(height, o.height + 1);
        values += o.values;
        return values <= Plist::MaxValues;
    }

    bool decodeArray(quint64 pos, quint64 n, int depth, quint64 index)
    {
        QVariantList list;
        list.reserve(qsizetype(n));
        int height = 1;
        qint64 values = 1;
        for (quint64 i = 0; i < n; ++i) {
            const auto r = ref(pos + i * m_refSize);
            if (!r || !child(*r, depth, height, values)) {
                return false;
            }
            list.append(m_objects[size_t(*r)].value);
        }
        return finish(index, QVariant(list), height, values);
    }

    bool decodeDict(quint64 pos, quint64 n, int depth, quint64 index)
    {
        QVariantMap map;
        int height = 1;
        qint64 values = 1;
        for (quint64 i = 0; i < n; ++i) {
            const auto k = ref(pos + i * m_refSize);
            const auto v = ref(pos + (n + i) * m_refSize);
            if (!k || !v || !child(*k, depth, height, values) || !child(*v, depth, height, values)) {
                return false;
            }
            const QVariant& key = m_objects[size_t(*k)].value;
            if (key.metaType().id() != QMetaType::QString) {
                return false;
            }
            map.insert(key.toString(), m_objects[size_t(*v)].value);
        }
        return finish(index, QVariant(map), height, values);
    }

    const uchar* m_data;
    quint64 m_size;
    quint64 m_tableOffset = 0;
    int m_offsetSize = 0;
    int m_refSize = 0;
    std::vector<Object> m_objects;
};

} // namespace

std::optional<QVariant> PlistValue::readBinary(const QByteArray& bytes)
{
    return BinaryReader(bytes).read();
}
