#pragma once

#include <QMetaType>
#include <QVariant>

/**
 * One typed message: a type, an action and a payload object. Archived in keyed archives under the
 * class name "VelborPacket" with the payload under "data" and the two integers under "type" and
 * "action", so that the platform's keyed unarchiver reads it as a packet of the same class.
 */
class VelborPacket
{
public:
    VelborPacket() = default;
    /** A packet with these fields. */
    VelborPacket(const QVariant& data, int type, int action) : m_type(type), m_action(action), m_data(data) {}

    int type() const { return m_type; }
    void setType(int type) { m_type = type; }
    int action() const { return m_action; }
    void setAction(int action) { m_action = action; }
    QVariant data() const { return m_data; }
    void setData(const QVariant& data) { m_data = data; }

    /** Registers the class with the keyed archives (idempotent); done by every user of packets. */
    static void registerArchivedClass();
    /** The archived class name. */
    static QString className();

    friend bool operator==(const VelborPacket&, const VelborPacket&) = default;

private:
    int m_type = 0;
    int m_action = 0;
    QVariant m_data;
};

Q_DECLARE_METATYPE(VelborPacket)
