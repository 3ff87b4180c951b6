#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <optional>

/**
 * The receiving side of typed messages: turns a byte stream of frames (an 8-byte native-order length,
 * then that many bytes of keyed archive holding a VelborPacket under "packet") back into payload
 * dictionaries and acts on them. Needs no socket: feed it whatever chunks arrive.
 *
 * Received input is untrusted: a header announcing more than MaxBodyLength stops the stream, bodies
 * are decoded with only the packet class and the property-list value classes allowed (64 levels
 * deep at most), and a received file is stored under the last component of its name, inside the
 * documents directory, never over an existing file.
 */
class VelborReceiver
{
public:
    static constexpr int HeaderLength = 8;
    /** The largest body a header may announce: 64 MiB. */
    static constexpr quint64 MaxBodyLength = 64ull * 1024 * 1024;

    VelborReceiver();

    /** The body length from the first 8 bytes (native byte order); none for fewer than 8 bytes. */
    static std::optional<quint64> parseHeader(const QByteArray& bytes);
    /** The payload dictionary of a frame body; none (with a trace line) when the body is not a keyed
     *  archive of allowed classes, holds no packet under "packet", or the packet's data is not a
     *  dictionary. */
    static std::optional<QVariantMap> parseBody(const QByteArray& body);
    /** Dispatches on the payload's "dataFormat" and writes the format's process-log lines; format 14
     *  stores the received file. */
    void rxDictionary(const QVariantMap& payload);

    /** Appends received bytes and handles every frame they complete (parseBody, rxDictionary, then
     *  the message handler). Answers false once a header announced more than MaxBodyLength: the
     *  stream is then refused (a trace line says so) and further bytes are ignored; the owner should
     *  close the connection. */
    bool receiveBytes(const QByteArray& bytes);
    /** Forgets a partly received frame and a refused stream: ready for a new connection. */
    void reset();
    /** Bytes received and not yet handled (a partial frame). */
    qsizetype bufferedBytes() const { return m_buffer.size() - m_pos + (m_bodyLength ? HeaderLength : 0); }

    /** Called with each payload handed to rxDictionary by receiveBytes. */
    void setMessageHandler(std::function<void(const QVariantMap&)> handler) { m_handler = std::move(handler); }
    /** Where received files go; by default the user's documents directory (created when missing). */
    void setDocumentDirectoryProvider(std::function<QString()> provider) { m_documents = std::move(provider); }

    /** Stores bytes as a received file named name in dir: the name's last path component, with "-N"
     *  added before the extension when that name is taken. Answers the path written; none (with a
     *  trace line) for a name with no usable component ("", ".", ".."), or when writing failed. */
    static std::optional<QString> storeReceivedFile(const QString& dir, const QString& name, const QByteArray& bytes);

private:
    void receiveFile(const QVariantMap& payload);

    QByteArray m_buffer;
    qsizetype m_pos = 0;
    std::optional<quint64> m_bodyLength;
    bool m_refused = false;
    std::function<void(const QVariantMap&)> m_handler;
    std::function<QString()> m_documents;
};
