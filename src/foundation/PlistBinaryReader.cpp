// The binary property-list reader ("bplist00"): a view that reads single objects where they lie, and
// the tree reader of Plist::fromData on top of it. Not libplist's: it overflows the stack on deeply
// chained objects and expands shared objects exponentially. Every object is decoded once, with its
// height and value count kept, so that depth and size are checked without walking shared parts again.

#include "Plist.h"
#include "PlistBinaryView.h"
#include "PlistValue.h"

#include <QDateTime>
#include <QTimeZone>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <vector>

using PlistValue::dateFromUnixSeconds;
using PlistValue::ReferenceEpochOffset;
using Kind = PlistBinaryView::Kind;

std::optional<PlistBinaryView> PlistBinaryView::open(QByteArrayView bytes)
{
    // Header "bplist00", objects, offset table, 32-byte trailer.
    const auto size = quint64(bytes.size());
    if (size < 8 + 1 + 32 || !bytes.startsWith("bplist00")) {
        return std::nullopt;
    }
    PlistBinaryView view;
    view.m_data = reinterpret_cast<const uchar*>(bytes.data());
    const quint64 trailer = size - 32;
    view.m_offsetSize = view.m_data[trailer + 6];
    view.m_refSize = view.m_data[trailer + 7];
    view.m_count = view.be(trailer + 8, 8);
    view.m_top = view.be(trailer + 16, 8);
    const quint64 tableOffset = view.be(trailer + 24, 8);
    if (view.m_offsetSize < 1 || view.m_offsetSize > 8 || view.m_refSize < 1 || view.m_refSize > 8 ||
        view.m_count == 0 || view.m_top >= view.m_count || tableOffset < 9 || tableOffset > trailer ||
        view.m_count > (trailer - tableOffset) / quint64(view.m_offsetSize)) {
        return std::nullopt;
    }
    view.m_tableOffset = tableOffset;
    return view;
}

quint64 PlistBinaryView::be(quint64 pos, int bytes) const
{
    const uchar* p = m_data + pos;
    switch (bytes) {
    case 1:
        return p[0];
    case 2:
        return qFromBigEndian<quint16>(p);
    case 4:
        return qFromBigEndian<quint32>(p);
    case 8:
        return qFromBigEndian<quint64>(p);
    default: {
        quint64 v = 0;
        for (int i = 0; i < bytes; ++i) {
            v = (v << 8) | p[i];
        }
        return v;
    }
    }
}

bool PlistBinaryView::fits(quint64 pos, quint64 count, quint64 unit) const
{
    return pos <= m_tableOffset && count <= (m_tableOffset - pos) / unit;
}

std::optional<PlistBinaryView::Object> PlistBinaryView::object(quint64 index) const
{
    if (index >= m_count) {
        return std::nullopt;
    }
    quint64 pos = be(m_tableOffset + index * quint64(m_offsetSize), m_offsetSize);
    if (pos < 8 || pos >= m_tableOffset) {
        return std::nullopt;
    }
    const uchar marker = m_data[pos++];
    const uchar high = marker >> 4;
    const uchar low = marker & 0x0F;
    // A count in the low nibble, or (nibble 0xF) in an integer object that follows the marker.
    const auto counted = [&](Kind kind, quint64 unit) -> std::optional<Object> {
        quint64 n = low;
        if (low == 0xF) {
            if (pos >= m_tableOffset) {
                return std::nullopt;
            }
            const uchar size = m_data[pos++];
            if ((size & 0xF0) != 0x10 || (size & 0x0F) > 3 || !fits(pos, quint64(1) << (size & 0x0F), 1)) {
                return std::nullopt;
            }
            n = be(pos, 1 << (size & 0x0F));
            pos += quint64(1) << (size & 0x0F);
        }
        if (!fits(pos, n, unit)) {
            return std::nullopt;
        }
        return Object{kind, low, pos, n};
    };
    const auto fixed = [&](Kind kind, quint64 bytes) -> std::optional<Object> {
        return fits(pos, bytes, 1) ? std::optional(Object{kind, low, pos, bytes}) : std::nullopt;
    };
    switch (high) {
    case 0x0:
        return marker == 0x08 || marker == 0x09 ? fixed(Kind::Bool, 0) : std::nullopt;
    case 0x1:
        return low <= 4 ? fixed(Kind::Integer, quint64(1) << low) : std::nullopt;
    case 0x2:
        return low == 2 || low == 3 ? fixed(Kind::Real, quint64(1) << low) : std::nullopt;
    case 0x3:
        return marker == 0x33 ? fixed(Kind::Date, 8) : std::nullopt;
    case 0x4:
        return counted(Kind::Data, 1);
    case 0x5:
        return counted(Kind::Ascii, 1);
    case 0x6:
        return counted(Kind::Utf16, 2);
    case 0x8:
        return fixed(Kind::Uid, quint64(low) + 1);
    case 0xA:
    case 0xC: // arrays and sets both read as arrays
        return counted(Kind::Array, quint64(m_refSize));
    case 0xD:
        return counted(Kind::Dict, 2 * quint64(m_refSize));
    default:
        return std::nullopt;
    }
}

std::optional<quint64> PlistBinaryView::ref(const Object& container, quint64 i) const
{
    const quint64 refs = container.kind == Kind::Dict ? 2 * container.count : container.count;
    if ((container.kind != Kind::Array && container.kind != Kind::Dict) || i >= refs) {
        return std::nullopt;
    }
    const quint64 r = be(container.pos + i * quint64(m_refSize), m_refSize);
    return r < m_count ? std::optional(r) : std::nullopt;
}

bool PlistBinaryView::isText(const Object& o, QStringView key) const
{
    if ((o.kind != Kind::Ascii && o.kind != Kind::Utf16) || o.count != quint64(key.size())) {
        return false;
    }
    const uchar* p = m_data + o.pos;
    for (qsizetype i = 0; i < key.size(); ++i) {
        const char16_t unit = o.kind == Kind::Ascii ? p[i] : char16_t(p[2 * i] << 8 | p[2 * i + 1]);
        if (unit != key[i].unicode()) {
            return false;
        }
    }
    return true;
}

std::optional<quint64> PlistBinaryView::find(const Object& dict, QStringView key) const
{
    if (dict.kind != Kind::Dict) {
        return std::nullopt;
    }
    for (quint64 i = 0; i < dict.count; ++i) {
        const auto k = ref(dict, i);
        const auto keyObject = k ? object(*k) : std::nullopt;
        if (keyObject && isText(*keyObject, key)) {
            return ref(dict, dict.count + i);
        }
    }
    return std::nullopt;
}

std::optional<QVariant> PlistBinaryView::value(const Object& o) const
{
    const auto real = [&] {
        if (o.count == 4) {
            const quint32 bits = quint32(be(o.pos, 4));
            float f;
            std::memcpy(&f, &bits, sizeof f);
            return double(f);
        }
        const quint64 bits = be(o.pos, 8);
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    };
    const auto* bytes = reinterpret_cast<const char*>(m_data + o.pos);
    switch (o.kind) {
    case Kind::Bool:
        return QVariant(o.low == 0x9);
    case Kind::Integer:
        return QVariant(qint64(o.count == 16 ? be(o.pos + 8, 8) : be(o.pos, int(o.count))));
    case Kind::Real:
        return QVariant(real());
    case Kind::Date: {
        const auto date = dateFromUnixSeconds(real() + double(ReferenceEpochOffset));
        return date ? std::optional(QVariant(*date)) : std::nullopt;
    }
    case Kind::Data:
        return QVariant(QByteArray(bytes, qsizetype(o.count)));
    case Kind::Ascii:
        return QVariant(QString::fromLatin1(bytes, qsizetype(o.count)));
    case Kind::Utf16: {
        QString s(qsizetype(o.count), Qt::Uninitialized);
        for (quint64 i = 0; i < o.count; ++i) {
            s[qsizetype(i)] = QChar(char16_t(be(o.pos + 2 * i, 2)));
        }
        return QVariant(s);
    }
    case Kind::Uid:
        return QVariant::fromValue(Plist::Uid{be(o.pos, int(o.count))});
    case Kind::Array:
    case Kind::Dict:
        break;
    }
    return std::nullopt;
}

namespace {

using PlistValue::dateFromUnixSeconds;
using PlistValue::ReferenceEpochOffset;

class BinaryReader
{
public:
    explicit BinaryReader(const PlistBinaryView& view) : m_view(view), m_objects(size_t(view.size())) {}

    std::optional<QVariant> read()
    {
        if (!decode(m_view.top(), 1)) {
            return std::nullopt;
        }
        return m_objects[size_t(m_view.top())].value;
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
        const auto object = m_view.object(index);
        if (!object) {
            return false;
        }
        bool ok = false;
        if (object->kind == Kind::Array || object->kind == Kind::Dict) {
            ok = depth <= Plist::MaxDepth &&
                 (object->kind == Kind::Dict ? decodeDict(*object, depth, index) : decodeArray(*object, depth, index));
        } else if (auto value = m_view.value(*object)) {
            ok = finish(index, std::move(*value));
        }
        if (ok) {
            m_objects[size_t(index)].state = Object::Done;
        }
        return ok;
    }

    bool finish(quint64 index, QVariant value, int height = 1, qint64 values = 1)
    {
        Object& slot = m_objects[size_t(index)];
        slot.value = std::move(value);
        slot.height = height;
        slot.values = values;
        return values <= Plist::MaxValues;
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

    bool decodeArray(const PlistBinaryView::Object& array, int depth, quint64 index)
    {
        QVariantList list;
        list.reserve(qsizetype(array.count));
        int height = 1;
        qint64 values = 1;
        for (quint64 i = 0; i < array.count; ++i) {
            const auto r = m_view.ref(array, i);
            if (!r || !child(*r, depth, height, values)) {
                return false;
            }
            list.append(m_objects[size_t(*r)].value);
        }
        return finish(index, QVariant(list), height, values);
    }

    bool decodeDict(const PlistBinaryView::Object& dict, int depth, quint64 index)
    {
        QVariantMap map;
        int height = 1;
        qint64 values = 1;
        for (quint64 i = 0; i < dict.count; ++i) {
            const auto k = m_view.ref(dict, i);
            const auto v = m_view.ref(dict, dict.count + i);
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

    const PlistBinaryView& m_view;
    std::vector<Object> m_objects;
};

} // namespace

std::optional<QVariant> PlistValue::readBinary(const QByteArray& bytes)
{
    const auto view = PlistBinaryView::open(bytes);
    return view ? BinaryReader(*view).read() : std::nullopt;
}
