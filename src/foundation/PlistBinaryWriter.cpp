// The binary form of property lists, through libplist, after the same checks as the XML writer.

#include "Plist.h"
#include "PlistValue.h"

#include <QDateTime>

#include <plist/plist.h>

#include <cstdlib>
#include <limits>
#include <memory>

namespace {

using PlistValue::arrayOf;
using PlistValue::hasUnpairedSurrogate;
using PlistValue::integerOf;
using PlistValue::kindOf;
using PlistValue::ReferenceEpochOffset;
using PlistValue::sortedEntries;
using PlistValue::ValueKind;

struct PlistDeleter
{
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

plist_t toNode(const QVariant& value, int depth)
{
    if (depth > Plist::MaxDepth) {
        return nullptr;
    }
    switch (kindOf(value)) {
    case ValueKind::String: {
        const QString s = value.toString();
        if (hasUnpairedSurrogate(s) || s.contains(QChar(0))) {
            return nullptr; // libplist takes C strings: a NUL would cut the text short
        }
        return plist_new_string(s.toUtf8().constData());
    }
    case ValueKind::Bool:
        return plist_new_bool(value.toBool() ? 1 : 0);
    case ValueKind::Integer: {
        const auto i = integerOf(value);
        return i ? plist_new_uint(quint64(*i)) : nullptr;
    }
    case ValueKind::Real:
        return plist_new_real(value.toDouble());
    case ValueKind::Data: {
        const QByteArray data = value.toByteArray();
        return plist_new_data(data.constData(), quint64(data.size()));
    }
    case ValueKind::Date: {
        const QDateTime date = value.toDateTime();
        if (!date.isValid()) {
            return nullptr;
        }
        const qint64 unixMs = date.toMSecsSinceEpoch();
        if (unixMs < -(qint64(1) << 50) || unixMs > (qint64(1) << 50)) {
            return nullptr; // far outside the binary form's range; also keeps the arithmetic in range
        }
        const qint64 ms = unixMs - ReferenceEpochOffset * 1000;
        const qint64 sec = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
        const qint64 usec = (ms - sec * 1000) * 1000;
        if (sec < std::numeric_limits<qint32>::min() || sec > std::numeric_limits<qint32>::max()) {
            return nullptr;
        }
        return plist_new_date(qint32(sec), qint32(usec));
    }
    case ValueKind::Uid:
        return plist_new_uid(value.value<Plist::Uid>().value);
    case ValueKind::Array: {
        PlistPtr array(plist_new_array());
        for (const QVariant& item : arrayOf(value)) {
            plist_t node = toNode(item, depth + 1);
            if (!node) {
                return nullptr;
            }
            plist_array_append_item(array.get(), node);
        }
        return array.release();
    }
    case ValueKind::Dict: {
        PlistPtr dict(plist_new_dict());
        for (const auto& [key, item] : sortedEntries(value)) {
            if (hasUnpairedSurrogate(key) || key.contains(QChar(0))) {
                return nullptr;
            }
            plist_t node = toNode(item, depth + 1);
            if (!node) {
                return nullptr;
            }
            plist_dict_set_item(dict.get(), key.toUtf8().constData(), node);
        }
        return dict.release();
    }
    case ValueKind::Invalid:
        break;
    }
    return nullptr;
}

} // namespace

std::optional<QByteArray> Plist::toBinary(const QVariant& value)
{
    PlistPtr root(toNode(value, 1));
    if (!root) {
        return std::nullopt;
    }
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(root.get(), &bytes, &length);
    if (!bytes) {
        return std::nullopt;
    }
    QByteArray out(bytes, qsizetype(length));
    std::free(bytes);
    return out;
}
