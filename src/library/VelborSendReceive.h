#pragma once

#include "VelborReceiver.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <optional>

class StreamSocket;
class VelborPacket;

/**
 * Typed messages over a stream socket. Each send wraps its value in a payload dictionary whose
 * "dataFormat" names the value's format (1 to 14), wraps the payload in a VelborPacket (type 0,
 * action 0), archives it under "packet" and writes one frame to connectedSocket(): an 8-byte
 * native-order body length, then the archive. Sends return at once; the socket writes in order.
 *
 * Receiving: startReceiving(socket) reads frames from a connected socket and hands each payload to
 * rxDictionary(), which writes what it got to the process log (and stores received files in the
 * documents directory), then emits didReceiveDictionary(). parseHeader/parseBody/rxDictionary are
 * there for owners that read frames themselves.
 */
class VelborSendReceive : public QObject
{
    Q_OBJECT

public:
    /** Creates its own unconnected socket as connectedSocket(). */
    explicit VelborSendReceive(QObject* parent = nullptr);
    ~VelborSendReceive() override;

    /** The socket sends go to; never null. */
    StreamSocket* connectedSocket() const;
    /** Sends go to socket from now on (not owned); nullptr puts the own socket back. */
    void setConnectedSocket(StreamSocket* socket);
    /** A free text for callers; "" after creation. */
    QString str0() const { return m_str0; }
    void setStr0(const QString& text) { m_str0 = text; }

    void sendBool(bool value);                                                               // format 1, "bool" 0/1
    void send3BoolsWithBool0Int1B2(int b0, int b1, float b2);                                // format 2, b2 truncated
    void sendInt(int value);                                                                 // format 3
    void send3IntWithInt0Int1Int2(int i0, int i1, float i2);                                 // format 4, i2 truncated
    void sendFloat(float value);                                                             // format 5
    void send3FloatsWithXFloatYFloatZ(float x, float y, float z);                            // format 6
    void sendString(const QString& text);                                                    // format 7
    void send3StrsWithStr0Str1Str2(const QString& s0, const QString& s1, const QString& s2); // format 8
    void sendArray(const QVariantList& array);                                               // format 9
    void send3ArraysWithAry0Str1Str2(const QVariantList& a0, const QVariantList& a1, const QVariantList& a2);
    void sendDictionary(const QVariantMap& dictionary);        // format 11
    void sendMutableDictionary(const QVariantMap& dictionary); // format 12, archived as mutable
    void sendData(const QByteArray& data);                     // format 13
    /** Format 14 with the file's bytes and path as given; a file that cannot be read sends nothing
     *  and writes "error: ..." to the process log. Answers whether a message was sent. */
    bool sendFile(const QString& path);
    /** sendFile of a resource file "name.ext" from the app's resource directory, named as given. */
    bool sendFileFromBundle(const QString& name);
    /** Sends the payload in a packet of type 0 and action 0. */
    void sendDict(const QVariantMap& payload);
    /** Archives the packet and writes its frame (no timeout, tag 0). false when it has no archive. */
    bool sendPacket(const VelborPacket& packet);
    /** One message of every format with fixed sample values, framed by two process-log lines. */
    void sendTest(const QVariant& sender);

    /** The frame of a packet: header and archive; none when the packet cannot be archived. */
    static std::optional<QByteArray> frameForPacket(const VelborPacket& packet);
    /** See VelborReceiver. */
    static std::optional<quint64> parseHeader(const QByteArray& bytes);
    static std::optional<QVariantMap> parseBody(const QByteArray& body);
    void rxDictionary(const QVariantMap& payload);

    /** Reads frames from socket (connected, not owned) until it disconnects; a frame announcing more
     *  than VelborReceiver::MaxBodyLength closes the connection. */
    void startReceiving(StreamSocket* socket);
    /** The receiver that startReceiving() feeds. */
    VelborReceiver& receiver() { return m_receiver; }

signals:
    /** A payload arrived through startReceiving() and went through rxDictionary(). */
    void didReceiveDictionary(const QVariantMap& payload);

private:
    QString m_str0;
    StreamSocket* m_ownSocket = nullptr;
    QPointer<StreamSocket> m_socket;
    VelborReceiver m_receiver;
};
