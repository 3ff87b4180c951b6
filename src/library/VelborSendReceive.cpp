#include "VelborSendReceive.h"

#include "FS.h"
#include "FSPaths.h"
#include "Files.h"
#include "KeyedArchive.h"
#include "ProcessLog.h"
#include "Resources.h"
#include "StreamSocket.h"
#include "Trace.h"
#include "VelborPacket.h"

#include <QFileInfo>

#include <cstring>

namespace {

constexpr long ReceiveTag = 8;

QVariantMap payload(int format, std::initializer_list<std::pair<const char*, QVariant>> values)
{
    QVariantMap map{{QStringLiteral("dataFormat"), format}};
    for (const auto& [key, value] : values) {
        map.insert(QString::fromLatin1(key), value);
    }
    return map;
}

QVariantList strings(std::initializer_list<const char*> texts)
{
    QVariantList list;
    for (const char* t : texts) {
        list << QString::fromLatin1(t);
    }
    return list;
}

} // namespace

VelborSendReceive::VelborSendReceive(QObject* parent) : QObject(parent)
{
    VelborPacket::registerArchivedClass();
    m_ownSocket = new StreamSocket(this);
    m_socket = m_ownSocket;
    m_receiver.setDocumentDirectoryProvider([] { return FS::sharedEngineInstance()->getDocumentDir(); });
    m_receiver.setMessageHandler([this](const QVariantMap& p) { emit didReceiveDictionary(p); });
}

VelborSendReceive::~VelborSendReceive() = default;

StreamSocket* VelborSendReceive::connectedSocket() const
{
    return m_socket ? m_socket.data() : m_ownSocket;
}

void VelborSendReceive::setConnectedSocket(StreamSocket* socket)
{
    m_socket = socket ? socket : m_ownSocket;
}

void VelborSendReceive::sendBool(bool value)
{
    sendDict(payload(1, {{"bool", int(value)}}));
}

void VelborSendReceive::send3BoolsWithBool0Int1B2(int b0, int b1, float b2)
{
    sendDict(payload(2, {{"bool0", b0}, {"bool1", b1}, {"bool2", int(b2)}}));
}

void VelborSendReceive::sendInt(int value)
{
    sendDict(payload(3, {{"int", value}}));
}

void VelborSendReceive::send3IntWithInt0Int1Int2(int i0, int i1, float i2)
{
    sendDict(payload(4, {{"int0", i0}, {"int1", i1}, {"int2", int(i2)}}));
}

void VelborSendReceive::sendFloat(float value)
{
    sendDict(payload(5, {{"float", double(value)}}));
}

void VelborSendReceive::send3FloatsWithXFloatYFloatZ(float x, float y, float z)
{
    sendDict(payload(6, {{"float0", double(x)}, {"float1", double(y)}, {"float2", double(z)}}));
}

void VelborSendReceive::sendString(const QString& text)
{
    sendDict(payload(7, {{"string", text}}));
}

void VelborSendReceive::send3StrsWithStr0Str1Str2(const QString& s0, const QString& s1, const QString& s2)
{
    sendDict(payload(8, {{"string0", s0}, {"string1", s1}, {"string2", s2}}));
}

void VelborSendReceive::sendArray(const QVariantList& array)
{
    sendDict(payload(9, {{"array", array}}));
}

void VelborSendReceive::send3ArraysWithAry0Str1Str2(const QVariantList& a0, const QVariantList& a1,
                                                    const QVariantList& a2)
{
    sendDict(payload(10, {{"array0", a0}, {"array1", a1}, {"array2", a2}}));
}

void VelborSendReceive::sendDictionary(const QVariantMap& dictionary)
{
    sendDict(payload(11, {{"dictionary", dictionary}}));
}

void VelborSendReceive::sendMutableDictionary(const QVariantMap& dictionary)
{
    sendDict(payload(12, {{"mutableDictionary", QVariant::fromValue(KeyedArchive::Mutable{dictionary})}}));
}

void VelborSendReceive::sendData(const QByteArray& data)
{
    sendDict(payload(13, {{"nsdata", data}}));
}

bool VelborSendReceive::sendFile(const QString& path)
{
    // A received message may be at most this large, so a larger file could never arrive.
    const auto bytes = files::readBoundedFile(path, qint64(VelborReceiver::MaxBodyLength));
    if (!bytes) {
        const QFileInfo info(path);
        processLogf("error: %@", !info.exists()  ? QStringLiteral("No such file: ") + path
                                 : info.isFile() ? QStringLiteral("Cannot read the file: ") + path
                                                 : QStringLiteral("Not a regular file: ") + path);
        return false;
    }
    sendDict(payload(14, {{"fileData", *bytes}, {"fileName", path}}));
    return true;
}

bool VelborSendReceive::sendFileFromBundle(const QString& name)
{
    const QFileInfo info(name);
    const QString path = resourcePath(info.completeBaseName(), info.suffix());
    const auto bytes = files::readBoundedFile(path, qint64(VelborReceiver::MaxBodyLength));
    if (name.isEmpty() || name.contains(u'/') || !bytes) {
        processLogf("error: %@", QStringLiteral("No such resource: ") + name);
        return false;
    }
    sendDict(payload(14, {{"fileData", *bytes}, {"fileName", name}}));
    return true;
}

void VelborSendReceive::sendDict(const QVariantMap& payload)
{
    sendPacket(VelborPacket(payload, 0, 0));
}

std::optional<QByteArray> VelborSendReceive::frameForPacket(const VelborPacket& packet)
{
    VelborPacket::registerArchivedClass();
    // The archive is written after room for the header, so that megabytes are not copied to frame them.
    auto frame =
        KeyedArchive::archivedData(QVariant::fromValue(packet), QStringLiteral("packet"), VelborReceiver::HeaderLength);
    if (frame) {
        const quint64 length = quint64(frame->size() - VelborReceiver::HeaderLength);
        std::memcpy(frame->data(), &length, sizeof length);
    }
    return frame;
}

bool VelborSendReceive::sendPacket(const VelborPacket& packet)
{
    const auto frame = frameForPacket(packet);
    if (!frame) {
        TRACE("packet has a value with no archived form: nothing sent");
        return false;
    }
    connectedSocket()->writeDataWithTimeoutTag(*frame, -1, 0);
    return true;
}

void VelborSendReceive::sendTest(const QVariant& sender)
{
    processLogf("sendTest: %@", sender);
    sendBool(true);
    send3BoolsWithBool0Int1B2(1, 0, 1.0f);
    sendInt(1);
    send3IntWithInt0Int1Int2(2, 3, 4.0f);
    sendString(QStringLiteral("a string"));
    send3StrsWithStr0Str1Str2(QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three"));
    sendArray(strings({"Dollar", "Euro", "Pound"}));
    send3ArraysWithAry0Str1Str2(strings({"1", "2", "3"}), strings({"4", "5", "6"}), strings({"7", "8", "9"}));
    sendDictionary({{QStringLiteral("India"), QStringLiteral("NewDelhi")},
                    {QStringLiteral("Japan"), QStringLiteral("Tokyo")},
                    {QStringLiteral("UnitedKingdom"), QStringLiteral("London")}});
    sendMutableDictionary({{QStringLiteral("2"), QStringLiteral("1")},
                           {QStringLiteral("4"), QStringLiteral("3")},
                           {QStringLiteral("6"), QStringLiteral("5")}});
    sendData(QByteArrayLiteral("teststring"));
    sendFileFromBundle(QStringLiteral("sendTest.txt"));
    processLog(QStringLiteral("sendTest: Sent Data"));
}

std::optional<quint64> VelborSendReceive::parseHeader(const QByteArray& bytes)
{
    return VelborReceiver::parseHeader(bytes);
}

std::optional<QVariantMap> VelborSendReceive::parseBody(const QByteArray& body)
{
    return VelborReceiver::parseBody(body);
}

void VelborSendReceive::rxDictionary(const QVariantMap& payload)
{
    m_receiver.rxDictionary(payload);
}

void VelborSendReceive::startReceiving(StreamSocket* socket)
{
    m_receiver.reset();
    connect(socket, &StreamSocket::didReadData, this, [this, socket](const QByteArray& data, long tag) {
        if (tag != ReceiveTag) {
            return;
        }
        if (!m_receiver.receiveBytes(data)) {
            socket->disconnectFromHost();
            return;
        }
        socket->readDataWithTimeoutTag(-1, ReceiveTag);
    });
    socket->readDataWithTimeoutTag(-1, ReceiveTag);
}
