#include "VelborPacket.h"

#include "KeyedArchive.h"

QString VelborPacket::className()
{
    return QStringLiteral("VelborPacket");
}

void VelborPacket::registerArchivedClass()
{
    static const bool registered = KeyedArchive::registerClass<VelborPacket>(
        className(),
        [](const VelborPacket& p, KeyedArchiver& coder) {
            coder.encodeInt(p.type(), QStringLiteral("type"));
            coder.encodeInt(p.action(), QStringLiteral("action"));
            coder.encodeObject(p.data(), QStringLiteral("data"));
        },
        [](KeyedUnarchiver& coder) -> std::optional<VelborPacket> {
            // A missing payload is a packet without data (nil), as the platform decodes it.
            std::optional<QVariant> data;
            if (coder.containsValueForKey(QStringLiteral("data"))) {
                data = coder.decodeObject(QStringLiteral("data"));
                if (!data) {
                    return std::nullopt;
                }
            }
            return VelborPacket(data.value_or(QVariant()), coder.decodeInt32(QStringLiteral("type")),
                                coder.decodeInt32(QStringLiteral("action")));
        });
    (void)registered;
}
