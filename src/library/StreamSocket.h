#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>

#include <deque>
#include <memory>

class QSslSocket;
class QTcpServer;
class QTimer;

/**
 * An asynchronous TCP socket, optionally secured with TLS, for the library's users.
 *
 * Every call returns at once. Writes and reads are queued and carried out in order; each finished
 * operation is reported by a signal carrying the tag its caller chose. Signals are delivered on the
 * thread that owns the object (the one that created it), from its event loop.
 *
 *     StreamSocket socket;
 *     QObject::connect(&socket, &StreamSocket::didConnectToHost, ...);
 *     socket.connectToHostOnPortWithTimeout(QStringLiteral("127.0.0.1"), 5000, 10.0);
 *     socket.writeDataWithTimeoutTag(bytes, -1, 0);          // -1: no timeout
 *     socket.readDataToLengthWithTimeoutTag(8, -1, 1);        // didReadData(bytes, 1) when 8 arrived
 *
 * A listening socket (acceptOnInterfacePort) announces each accepted connection as a new StreamSocket
 * (owned by the listener through QObject parenthood) through didAcceptNewSocket.
 *
 * TLS: startTLS() on a connected or accepted socket. Clients check the server's certificate and name
 * by default; a handshake that fails disconnects with an error naming the reason.
 */
class StreamSocket : public QObject
{
    Q_OBJECT

public:
    /** How a socket secures itself; see startTLS(). */
    struct TlsSettings
    {
        /** Acts as the TLS server (needs certificate and privateKey). */
        bool isServer = false;
        /** The name the server's certificate must carry; "" means the host that was connected to. */
        QString peerName{};
        /** Checks the server's name against its certificate (clients). */
        bool validatesPeerName = true;
        /** The server's own certificate and key. */
        QSslCertificate certificate{};
        QSslKey privateKey{};
        /** Certificate authorities trusted instead of the system's; empty keeps the system's. */
        QList<QSslCertificate> trustedCertificates{};
        /** Self-signed certificates accepted as they are (the name is still checked). */
        QList<QSslCertificate> acceptedSelfSigned{};
    };

    /** A socket with no connection and no delegate (plain initialisation). */
    explicit StreamSocket(QObject* parent = nullptr);
    ~StreamSocket() override;

    /** Starts connecting; didConnectToHost or didDisconnect follows. timeout in seconds, negative for
     *  none. false (and nothing happens) when the socket is already connected, connecting or listening,
     *  or the host is empty. */
    bool connectToHostOnPortWithTimeout(const QString& host, quint16 port, double timeout);
    /** Listens on interface ("" or "0.0.0.0" for every IPv4 interface, "127.0.0.1" loopback) and the
     *  port (0 picks a free one, see localPort()). false with the reason in lastError() on failure. */
    bool acceptOnInterfacePort(const QString& interface, quint16 port);

    /** Queues bytes to be written after everything queued before; didWriteData(tag) when all of them
     *  are handed to the system. A write not finished within timeout seconds (negative: none)
     *  disconnects the socket. Empty data is ignored. Never blocks, however slowly the peer reads. */
    void writeDataWithTimeoutTag(const QByteArray& data, double timeout, long tag);
    /** Queues a read of exactly length bytes; didReadData(bytes, tag). length 0 is ignored. */
    void readDataToLengthWithTimeoutTag(quint64 length, double timeout, long tag);
    /** Queues a read up to and including delimiter; didReadData(bytes, tag). More than maxLength bytes
     *  (0: no limit) without the delimiter disconnects with an error. */
    void readDataToDataWithTimeoutTag(const QByteArray& delimiter, double timeout, long tag, quint64 maxLength = 0);
    /** Queues a read of whatever arrives next (at least one byte). */
    void readDataWithTimeoutTag(double timeout, long tag);

    /** Starts TLS with these settings; didSecure() once the handshake succeeded. Bytes written before
     *  the handshake ends are sent encrypted after it. */
    void startTLS(const TlsSettings& settings);

    /** Closes at once, dropping queued writes and reads; didDisconnect("") follows. */
    void disconnectFromHost();
    /** Closes once every queued write has been written; new writes are refused meanwhile. */
    void disconnectAfterWriting();

    bool isConnected() const;
    bool isListening() const;
    bool isSecure() const;
    QString connectedHost() const;
    quint16 connectedPort() const;
    /** The local port (of the listener or the connection); 0 when there is none. */
    quint16 localPort() const;
    /** Bytes queued for writing and not yet handed to the system. */
    qint64 pendingWriteBytes() const;
    /** The reason of the last failure; "" when there was none. */
    QString lastError() const;

signals:
    void didConnectToHost(const QString& host, quint16 port);
    /** A listener accepted a connection; newSocket is a child of the listener. */
    void didAcceptNewSocket(StreamSocket* newSocket);
    void didReadData(const QByteArray& data, long tag);
    void didWriteData(long tag);
    void didSecure();
    /** The connection (or the attempt) ended; error is "" when this side closed it. */
    void didDisconnect(const QString& error);

private:
    struct Write
    {
        QByteArray data;
        double timeout;
        long tag;
        qint64 end = 0; // offset of the last byte in the stream written so far, once handed over
    };
    enum class ReadKind { Length, Delimiter, Available };
    struct Read
    {
        ReadKind kind;
        quint64 length;
        QByteArray delimiter;
        double timeout;
        long tag;
    };

    void adopt(QSslSocket* socket);
    void pumpWrites();
    void onBytesWritten(qint64 count);
    void pumpReads();
    void restartReadTimer();
    void restartWriteTimer();
    void fail(const QString& error);
    void finish(const QString& error);
    void onSslErrors();

    QSslSocket* m_socket = nullptr;
    QTcpServer* m_server = nullptr;
    QTimer* m_connectTimer = nullptr;
    QTimer* m_readTimer = nullptr;
    QTimer* m_writeTimer = nullptr;
    std::deque<Write> m_writes;
    qsizetype m_handed = 0;  // bytes of m_writes[m_next] already handed to the socket
    std::size_t m_next = 0;  // first write not yet completely handed over
    qint64 m_streamOut = 0;  // bytes handed to the socket in total
    qint64 m_streamDone = 0; // bytes the socket reported written in total
    std::deque<Read> m_reads;
    QByteArray m_in;
    qsizetype m_inPos = 0;    // bytes of m_in already handed to reads
    qsizetype m_scanFrom = 0; // where the delimiter search resumes
    TlsSettings m_tls;
    bool m_closeAfterWrites = false;
    bool m_finished = false;
    bool m_secure = false;
    QString m_host;
    QString m_error;
};
