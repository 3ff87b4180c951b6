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
    if (object) {
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
