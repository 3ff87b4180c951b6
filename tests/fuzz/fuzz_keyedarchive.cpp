// Keyed unarchiver under libFuzzer: hostile archives (cycles, references out of range, wrong types,
// forbidden classes, deep or exploding graphs) must be answered without a crash or a hang. A packet
// class is registered as the typed messages register theirs.
#include "KeyedArchive.h"

#include <cstdint>
#include <cstdlib>

namespace {

struct Packet
{
    qint32 type = 0;
    qint32 action = 0;
    QVariant data;
};

void encodePacket(const Packet& packet, KeyedArchiver& coder)
{
    coder.encodeInt(packet.type, QStringLiteral("type"));
    coder.encodeInt(packet.action, QStringLiteral("action"));
    coder.encodeObject(packet.data, QStringLiteral("data"));
}

std::optional<Packet> decodePacket(KeyedUnarchiver& coder)
{
    Packet packet;
    packet.type = coder.decodeInt32(QStringLiteral("type"));
    packet.action = coder.decodeInt32(QStringLiteral("action"));
    coder.decodeDouble(QStringLiteral("type"));
    coder.decodeBool(QStringLiteral("action"));
    if (coder.containsValueForKey(QStringLiteral("data"))) {
        const auto data = coder.decodeObject(QStringLiteral("data"));
        if (!data) {
            return std::nullopt;
        }
        packet.data = *data;
    }
    return packet;
}

// Counts the values a decoded graph expands to, stopping once past the limit. Shared references
// make a small archive expand to up to a million values; archiving that again is slow by design.
qint64 expandedValues(const QVariant& value, qint64 limit)
{
    qint64 count = 1;
    const auto id = value.metaType().id();
    if (id == QMetaType::QVariantList) {
        for (const QVariant& item : value.toList()) {
            if ((count += expandedValues(item, limit - count)) > limit) {
                break;
            }
        }
    } else if (id == QMetaType::QVariantMap) {
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend() && count <= limit; ++it) {
            count += expandedValues(it.value(), limit - count);
        }
    } else if (value.metaType() == QMetaType::fromType<KeyedArchive::Mutable>()) {
        count = expandedValues(value.value<KeyedArchive::Mutable>().value, limit);
    } else if (value.metaType() == QMetaType::fromType<Packet>()) {
        count += expandedValues(value.value<Packet>().data, limit - 1);
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KeyedArchive::registerClass<Packet>(QStringLiteral("VelborPacket"), &encodePacket, &decodePacket);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    KeyedDecodeOptions options;
    options.allowedClasses = {QStringLiteral("VelborPacket")};
    const auto object = KeyedArchive::unarchivedObject(bytes, QStringLiteral("packet"), options);
    if (object && expandedValues(*object, 20000) <= 20000) {
        // What was decoded can be archived again, and that archive decodes.
        const auto again = KeyedArchive::archivedData(*object, QStringLiteral("packet"));
        if (again && !KeyedArchive::unarchivedObject(*again, QStringLiteral("packet"), options)) {
            std::abort();
        }
    }
    KeyedUnarchiver coder(bytes);
    coder.decodeObject(QStringLiteral("root"));
    coder.decodeInt(QStringLiteral("root"));
    return 0;
}
