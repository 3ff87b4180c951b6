#include "StreamSocket.h"

#include <QHostAddress>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpServer>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <utility>

namespace {

// Bytes handed to the Qt socket ahead of what it has written: enough to keep the kernel busy, small
// enough that a large queued write is not copied whole into the socket's own buffer.
constexpr qint64 HandOverAhead = 1024 * 1024;

// Accepted connections are made as QSslSocket so that either side can start TLS later.
class SslServer : public QTcpServer
{
public:
    using QTcpServer::QTcpServer;

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto* socket = new QSslSocket(this);
        if (socket->setSocketDescriptor(descriptor)) {
            addPendingConnection(socket);
        } else {
            delete socket;
        }
    }
};

void armTimer(QTimer* timer, double seconds)
{
    if (seconds < 0 || !std::isfinite(seconds)) {
        timer->stop();
        return;
    }
    const double ms = std::min(seconds * 1000.0, double(std::numeric_limits<int>::max()));
    timer->start(std::chrono::milliseconds(qint64(std::ceil(ms))));
}

} // namespace

StreamSocket::StreamSocket(QObject* parent) : QObject(parent)
{
    m_connectTimer = new QTimer(this);
    m_readTimer = new QTimer(this);
    m_writeTimer = new QTimer(this);
    for (QTimer* t : {m_connectTimer, m_readTimer, m_writeTimer}) {
        t->setSingleShot(true);
    }
    connect(m_connectTimer, &QTimer::timeout, this,
            [this] { fail(QStringLiteral("Attempt to connect to host timed out")); });
    connect(m_readTimer, &QTimer::timeout, this, [this] { fail(QStringLiteral("Read operation timed out")); });
    connect(m_writeTimer, &QTimer::timeout, this, [this] { fail(QStringLiteral("Write operation timed out")); });
}

StreamSocket::~StreamSocket()
{
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
    }
}

void StreamSocket::adopt(QSslSocket* socket)
{
    m_socket = socket;
    socket->setParent(this);
    m_finished = false;
    connect(socket, &QAbstractSocket::connected, this, [this] {
        m_connectTimer->stop();
        m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        emit didConnectToHost(m_host, m_socket->peerPort());
        pumpWrites();
        pumpReads();
    });
    connect(socket, &QIODevice::readyRead, this, [this] {
        if (m_in.isEmpty()) {
            m_in = m_socket->readAll();
        } else {
            m_in.append(m_socket->readAll());
        }
        pumpReads();
    });
    connect(socket, &QIODevice::bytesWritten, this, &StreamSocket::onBytesWritten);
    connect(socket, &QSslSocket::encryptedBytesWritten, this, [this] { pumpWrites(); });
    connect(socket, &QSslSocket::encrypted, this, [this] {
        m_secure = true;
        emit didSecure();
        pumpWrites();
    });
    connect(socket, &QSslSocket::sslErrors, this, [this] { onSslErrors(); });
    connect(socket, &QAbstractSocket::errorOccurred, this, [this](QAbstractSocket::SocketError code) {
        if (code == QAbstractSocket::RemoteHostClosedError) {
            if (m_error.isEmpty()) {
                m_error = QStringLiteral("Socket closed by remote peer");
            }
        } else if (m_error.isEmpty()) {
            m_error = m_socket->errorString();
        }
        if (m_socket->state() == QAbstractSocket::UnconnectedState) {
            finish(m_error);
        }
    });
    connect(socket, &QAbstractSocket::disconnected, this, [this] { finish(m_error); });
}

bool StreamSocket::connectToHostOnPortWithTimeout(const QString& host, quint16 port, double timeout)
{
    if (m_socket || m_server || host.isEmpty()) {
        return false;
    }
    m_host = host;
    m_error.clear();
    adopt(new QSslSocket(this));
    armTimer(m_connectTimer, timeout);
    m_socket->connectToHost(host, port);
    return true;
}

bool StreamSocket::acceptOnInterfacePort(const QString& interface, quint16 port)
{
    if (m_socket || m_server) {
        return false;
    }
    QHostAddress address(QHostAddress::AnyIPv4);
    if (!interface.isEmpty() && !address.setAddress(interface)) {
        m_error = QStringLiteral("Unknown interface: ") + interface;
        return false;
    }
    auto* server = new SslServer(this);
    if (!server->listen(address, port)) {
        m_error = server->errorString();
        delete server;
        return false;
    }
    m_server = server;
    connect(server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* pending = m_server->nextPendingConnection()) {
            auto* ssl = static_cast<QSslSocket*>(pending);
            auto* child = new StreamSocket(this);
            child->m_host = ssl->peerAddress().toString();
            ssl->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            child->adopt(ssl);
            emit didAcceptNewSocket(child);
        }
    });
    return true;
}

void StreamSocket::writeDataWithTimeoutTag(const QByteArray& data, double timeout, long tag)
{
    if (data.isEmpty() || m_closeAfterWrites || m_server) {
        return;
    }
    m_writes.push_back(Write{data, timeout, tag});
    if (m_writes.size() == 1) {
        restartWriteTimer();
    }
    pumpWrites();
}

void StreamSocket::pumpWrites()
{
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState) {
        return;
    }
    // During a handshake the TLS socket keeps what it is given and sends it once secured.
    while (m_next < m_writes.size() && m_socket->bytesToWrite() + m_socket->encryptedBytesToWrite() < HandOverAhead) {
        Write& w = m_writes[m_next];
        const qsizetype chunk = std::min<qsizetype>(w.data.size() - m_handed, HandOverAhead);
        const qint64 written = (m_handed == 0 && chunk == w.data.size())
                                   ? m_socket->write(w.data)
                                   : m_socket->write(w.data.constData() + m_handed, chunk);
        if (written <= 0) {
            fail(m_socket->errorString());
            return;
        }
        m_handed += written;
        m_streamOut += written;
        if (m_handed == w.data.size()) {
            w.end = m_streamOut;
            m_handed = 0;
            ++m_next;
        }
    }
}

void StreamSocket::onBytesWritten(qint64 count)
{
    m_streamDone += count;
    while (m_next > 0 && m_writes.front().end <= m_streamDone) {
        const long tag = m_writes.front().tag;
        m_writes.pop_front();
        --m_next;
        restartWriteTimer();
        emit didWriteData(tag);
        if (!m_socket) {
            return; // the receiver of the signal closed us
        }
    }
    pumpWrites();
    if (m_closeAfterWrites && m_writes.empty() && m_socket) {
        m_socket->disconnectFromHost();
    }
}

void StreamSocket::restartWriteTimer()
{
    if (m_writes.empty()) {
        m_writeTimer->stop();
    } else {
        armTimer(m_writeTimer, m_writes.front().timeout);
    }
}

void StreamSocket::readDataToLengthWithTimeoutTag(quint64 length, double timeout, long tag)
{
    if (length == 0 || m_server) {
        return;
    }
    m_reads.push_back(Read{ReadKind::Length, length, {}, timeout, tag});
    if (m_reads.size() == 1) {
        restartReadTimer();
    }
    pumpReads();
}

void StreamSocket::readDataToDataWithTimeoutTag(const QByteArray& delimiter, double timeout, long tag,
                                                quint64 maxLength)
{
    if (delimiter.isEmpty() || m_server) {
        return;
    }
    m_reads.push_back(Read{ReadKind::Delimiter, maxLength, delimiter, timeout, tag});
    if (m_reads.size() == 1) {
        restartReadTimer();
    }
    pumpReads();
}

void StreamSocket::readDataWithTimeoutTag(double timeout, long tag)
{
    if (m_server) {
        return;
    }
    m_reads.push_back(Read{ReadKind::Available, 0, {}, timeout, tag});
    if (m_reads.size() == 1) {
        restartReadTimer();
    }
    pumpReads();
}

void StreamSocket::restartReadTimer()
{
    if (m_reads.empty()) {
        m_readTimer->stop();
    } else {
        armTimer(m_readTimer, m_reads.front().timeout);
    }
}

void StreamSocket::pumpReads()
{
    // Signals may queue or cancel reads, or close the socket: look at the queue afresh each round.
    while (!m_reads.empty() && m_inPos < m_in.size()) {
        const Read& r = m_reads.front();
        const qsizetype available = m_in.size() - m_inPos;
        qsizetype take = 0;
        if (r.kind == ReadKind::Available) {
            take = available;
        } else if (r.kind == ReadKind::Length) {
            if (quint64(available) < r.length) {
                break;
            }
            take = qsizetype(r.length);
        } else {
            const qsizetype from = m_inPos + std::max<qsizetype>(0, m_scanFrom - r.delimiter.size() + 1);
            const qsizetype at = m_in.indexOf(r.delimiter, from);
            if (at < 0) {
                m_scanFrom = available;
                if (r.length > 0 && quint64(available) > r.length) {
                    fail(QStringLiteral("Read maximum length exceeded"));
                    return;
                }
                break;
            }
            take = at - m_inPos + r.delimiter.size();
            if (r.length > 0 && quint64(take) > r.length) {
                fail(QStringLiteral("Read maximum length exceeded"));
                return;
            }
        }
        const long tag = r.tag;
        QByteArray data;
        if (m_inPos == 0 && take == m_in.size()) {
            data = std::exchange(m_in, QByteArray());
        } else {
            data = m_in.mid(m_inPos, take);
            m_inPos += take;
        }
        m_scanFrom = 0;
        m_reads.pop_front();
        restartReadTimer();
        emit didReadData(data, tag);
        if (!m_socket) {
            return; // closed by a receiver of the signal
        }
    }
    // Drop what has been consumed once it is the larger part, so that the buffer does not creep.
    if (m_inPos > 0 && m_inPos >= m_in.size() / 2) {
        m_in.remove(0, m_inPos);
        m_inPos = 0;
    }
}

void StreamSocket::startTLS(const TlsSettings& settings)
{
    if (!m_socket || m_secure) {
        return;
    }
    m_tls = settings;
    QSslConfiguration config = m_socket->sslConfiguration();
    if (!settings.trustedCertificates.isEmpty()) {
        config.setCaCertificates(settings.trustedCertificates);
    }
    if (settings.isServer) {
        config.setLocalCertificate(settings.certificate);
        config.setPrivateKey(settings.privateKey);
        config.setPeerVerifyMode(QSslSocket::VerifyNone);
    } else {
        config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    }
    m_socket->setSslConfiguration(config);
    if (settings.isServer) {
        m_socket->startServerEncryption();
    } else {
        m_socket->setPeerVerifyName(settings.peerName.isEmpty() ? m_host : settings.peerName);
        m_socket->startClientEncryption();
    }
}

void StreamSocket::onSslErrors()
{
    // Ignore only what the settings allow explicitly; anything else ends the handshake.
    QList<QSslError> ignorable;
    QStringList reasons;
    for (const QSslError& e : m_socket->sslHandshakeErrors()) {
        const bool nameError = e.error() == QSslError::HostNameMismatch;
        const bool selfSigned =
            (e.error() == QSslError::SelfSignedCertificate || e.error() == QSslError::SelfSignedCertificateInChain) &&
            m_tls.acceptedSelfSigned.contains(e.certificate());
        if ((nameError && !m_tls.validatesPeerName) || selfSigned) {
            ignorable << e;
        } else {
            reasons << e.errorString();
        }
    }
    if (reasons.isEmpty()) {
        m_socket->ignoreSslErrors(ignorable);
    } else {
        m_error = QStringLiteral("TLS handshake failed: ") + reasons.join(QStringLiteral("; "));
    }
}

void StreamSocket::disconnectFromHost()
{
    if (m_server) {
        m_server->close();
        delete m_server;
        m_server = nullptr;
        return;
    }
    finish(QString());
}

void StreamSocket::disconnectAfterWriting()
{
    if (!m_socket) {
        return;
    }
    m_closeAfterWrites = true;
    if (m_writes.empty()) {
        m_socket->disconnectFromHost();
    }
}

void StreamSocket::fail(const QString& error)
{
    if (m_error.isEmpty()) {
        m_error = error;
    }
    finish(m_error);
}

void StreamSocket::finish(const QString& error)
{
    if (m_finished || !m_socket) {
        return;
    }
    m_finished = true;
    m_connectTimer->stop();
    m_readTimer->stop();
    m_writeTimer->stop();
    m_writes.clear();
    m_reads.clear();
    m_in = QByteArray();
    m_inPos = 0;
    m_next = 0;
    m_handed = 0;
    m_closeAfterWrites = false;
    m_secure = false;
    m_socket->disconnect(this);
    m_socket->abort();
    m_socket->deleteLater();
    m_socket = nullptr;
    emit didDisconnect(error);
}

bool StreamSocket::isConnected() const
{
    return m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
}

bool StreamSocket::isListening() const
{
    return m_server && m_server->isListening();
}

bool StreamSocket::isSecure() const
{
    return m_secure;
}

QString StreamSocket::connectedHost() const
{
    return isConnected() ? m_socket->peerAddress().toString() : QString();
}

quint16 StreamSocket::connectedPort() const
{
    return isConnected() ? m_socket->peerPort() : 0;
}

quint16 StreamSocket::localPort() const
{
    if (m_server) {
        return m_server->serverPort();
    }
    return m_socket ? m_socket->localPort() : 0;
}

qint64 StreamSocket::pendingWriteBytes() const
{
    qint64 total = 0;
    for (const Write& w : m_writes) {
        total += w.data.size();
    }
    return total;
}

QString StreamSocket::lastError() const
{
    return m_error;
}
