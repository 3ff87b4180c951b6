// Typed messages over loopback against a bare Qt socket carrying the same bytes, in one run:
//   - sendInt: messages per second end to end (sent, framed, received, decoded, dispatched);
//   - round-trip latency of one sendInt message (p50, p99), the bare socket echoing the frame;
//   - MB/s of 1 MB sendData: messages, plain and TLS;
//   - and, without a socket, the time one sendInt message takes to frame, to decode and to report.
// The receiver writes each message to the process log as it must: run with 2>/dev/null. The bare
// socket is measured twice: alone, and writing the same log line per message, which bounds what
// any receiver that logs can reach.
//
//   build/bin/bench_messages [messages, default 20000] [megabytes, default 200] 2>/dev/null
#include "ProcessLog.h"
#include "StreamSocket.h"
#include "VelborPacket.h"
#include "VelborSendReceive.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSslSocket>
#include <QTcpServer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

struct Tls
{
    QSslCertificate cert;
    QSslKey key;
};

Tls makeCertificate(const QString& dir)
{
    QProcess::execute(QStringLiteral("openssl"),
                      {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                       QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-days"),
                       QStringLiteral("1"), QStringLiteral("-subj"), QStringLiteral("/CN=localhost"),
                       QStringLiteral("-keyout"), dir + QStringLiteral("/k.pem"), QStringLiteral("-out"),
                       dir + QStringLiteral("/c.pem")});
    QFile c(dir + QStringLiteral("/c.pem"));
    QFile k(dir + QStringLiteral("/k.pem"));
    c.open(QIODevice::ReadOnly);
    k.open(QIODevice::ReadOnly);
    return {QSslCertificate(c.readAll()), QSslKey(k.readAll(), QSsl::Rsa)};
}

// Runs the event loop until done() holds, waking for each event (so round trips are timed exactly).
bool waitFor(const std::function<bool()>& done)
{
    QElapsedTimer limit;
    limit.start();
    while (!done()) {
        if (limit.elapsed() > 120000) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Our socket pair over loopback, optionally secured.
struct OurPair
{
    StreamSocket listener;
    StreamSocket client;
    StreamSocket* server = nullptr;

    explicit OurPair(const Tls* tls)
    {
        listener.acceptOnInterfacePort(QStringLiteral("127.0.0.1"), 0);
        QObject::connect(&listener, &StreamSocket::didAcceptNewSocket, &listener,
                         [this](StreamSocket* s) { server = s; });
        client.connectToHostOnPortWithTimeout(QStringLiteral("localhost"), listener.localPort(), 10);
        waitFor([this] { return server && client.isConnected(); });
        if (tls) {
            server->startTLS({.isServer = true, .certificate = tls->cert, .privateKey = tls->key});
            client.startTLS({.acceptedSelfSigned = {tls->cert}});
            waitFor([this] { return client.isSecure() && server->isSecure(); });
        }
    }
};

// The baseline: a bare QTcpSocket pair, or QSslSocket for TLS.
class BareServer : public QTcpServer
{
public:
    explicit BareServer(bool tls) : m_tls(tls) {}

protected:
    void incomingConnection(qintptr fd) override
    {
        QTcpSocket* socket = m_tls ? new QSslSocket(this) : new QTcpSocket(this);
        socket->setSocketDescriptor(fd);
        addPendingConnection(socket);
    }

private:
    bool m_tls;
};

struct BarePair
{
    BareServer listener;
    std::unique_ptr<QTcpSocket> clientSocket;
    QTcpSocket* server = nullptr;

    explicit BarePair(const Tls* tls) : listener(tls != nullptr)
    {
        clientSocket.reset(tls ? new QSslSocket : new QTcpSocket);
        listener.listen(QHostAddress::LocalHost, 0);
        clientSocket->connectToHost(QStringLiteral("localhost"), listener.serverPort());
        waitFor([this] { return listener.hasPendingConnections(); });
        server = listener.nextPendingConnection();
        waitFor([this] { return clientSocket->state() == QAbstractSocket::ConnectedState; });
        if (tls) {
            auto* s = static_cast<QSslSocket*>(server);
            auto* c = static_cast<QSslSocket*>(clientSocket.get());
            s->setLocalCertificate(tls->cert);
            s->setPrivateKey(tls->key);
            s->startServerEncryption();
            c->ignoreSslErrors({QSslError(QSslError::SelfSignedCertificate, tls->cert)});
            c->startClientEncryption();
            waitFor([s, c] { return c->isEncrypted() && s->isEncrypted(); });
        }
    }
    QTcpSocket& client() { return *clientSocket; }
};

// Seconds to deliver `count` frames through our receiver.
double ourDelivery(const Tls* tls, const std::function<void(VelborSendReceive&)>& send, int count)
{
    OurPair pair(tls);
    VelborSendReceive sender;
    VelborSendReceive receiver;
    sender.setConnectedSocket(&pair.client);
    int received = 0;
    QObject::connect(&receiver, &VelborSendReceive::didReceiveDictionary, &receiver, [&] { ++received; });
    receiver.startReceiving(pair.server);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i) {
        send(sender);
    }
    waitFor([&] { return received == count; });
    return double(timer.nsecsElapsed()) / 1e9;
}

// Seconds to deliver the same bytes through a bare socket. With logLine, the receiver also writes
// that line to the process log for every whole frame, as a message receiver must.
double bareDelivery(const Tls* tls, const QByteArray& frame, int count, const std::function<void()>& logLine = {})
{
    BarePair pair(tls);
    qint64 expected = frame.size() * qint64(count);
    qint64 got = 0;
    QObject::connect(pair.server, &QIODevice::readyRead, pair.server, [&] {
        const qint64 before = got / frame.size();
        got += pair.server->readAll().size();
        for (qint64 i = before; logLine && i < got / frame.size(); ++i) {
            logLine();
        }
    });
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i) {
        pair.client().write(frame);
    }
    waitFor([&] { return got == expected; });
    return double(timer.nsecsElapsed()) / 1e9;
}

// Microseconds per call of f, over count calls.
double microseconds(int count, const std::function<void()>& f)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i) {
        f();
    }
    return double(timer.nsecsElapsed()) / 1e3 / count;
}

std::pair<double, double> percentiles(std::vector<double> us)
{
    std::sort(us.begin(), us.end());
    return {us[us.size() / 2], us[us.size() * 99 / 100]};
}

// Round trips of one sendInt message: the far side answers each message with one of its own.
std::pair<double, double> ourRoundTrips(int count)
{
    OurPair pair(nullptr);
    VelborSendReceive near;
    VelborSendReceive far;
    near.setConnectedSocket(&pair.client);
    far.setConnectedSocket(pair.server);
    int back = 0;
    QObject::connect(&far, &VelborSendReceive::didReceiveDictionary, &far, [&] { far.sendInt(2); });
    QObject::connect(&near, &VelborSendReceive::didReceiveDictionary, &near, [&] { ++back; });
    far.startReceiving(pair.server);
    near.startReceiving(&pair.client);
    std::vector<double> us;
    for (int i = 0; i < count; ++i) {
        QElapsedTimer timer;
        timer.start();
        near.sendInt(1);
        waitFor([&] { return back == i + 1; });
        us.push_back(double(timer.nsecsElapsed()) / 1e3);
    }
    return percentiles(us);
}

std::pair<double, double> bareRoundTrips(const QByteArray& frame, int count)
{
    BarePair pair(nullptr);
    qint64 atServer = 0;
    qint64 atClient = 0;
    QObject::connect(pair.server, &QIODevice::readyRead, pair.server, [&] {
        atServer += pair.server->readAll().size();
        if (atServer == frame.size()) {
            atServer = 0;
            pair.server->write(frame);
        }
    });
    QObject::connect(&pair.client(), &QIODevice::readyRead, &pair.client(),
                     [&] { atClient += pair.client().readAll().size(); });
    std::vector<double> us;
    for (int i = 0; i < count; ++i) {
        QElapsedTimer timer;
        timer.start();
        pair.client().write(frame);
        waitFor([&] { return atClient == frame.size() * qint64(i + 1); });
        us.push_back(double(timer.nsecsElapsed()) / 1e3);
    }
    return percentiles(us);
}

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    QCoreApplication app(argc, argv);
    const int messages = argc > 1 ? std::max(1, atoi(argv[1])) : 20000;
    const int megabytes = argc > 2 ? std::max(1, atoi(argv[2])) : 200;
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8()); // format 14 is not sent, but keep the real home untouched
    QTemporaryDir certDir;
    const Tls tls = makeCertificate(certDir.path());

    const QByteArray intFrame =
        VelborSendReceive::frameForPacket(
            VelborPacket(QVariantMap{{QStringLiteral("dataFormat"), 3}, {QStringLiteral("int"), 1}}, 0, 0))
            .value();
    const double ours = ourDelivery(
        nullptr, [](VelborSendReceive& s) { s.sendInt(1); }, messages);
    const double bare = bareDelivery(nullptr, intFrame, messages);
    const double bareLogged = bareDelivery(nullptr, intFrame, messages, [] { processLogf("Int: %d", 1); });
    std::printf("sendInt: %d messages of %lld bytes\n", messages, qint64(intFrame.size()));
    std::printf("  ours %10.0f msg/s   bare QTcpSocket %10.0f msg/s   ratio %.2f\n", messages / ours, messages / bare,
                bare / ours);
    std::printf("  bare QTcpSocket writing the same log line per message %10.0f msg/s   ratio %.2f\n",
                messages / bareLogged, bareLogged / ours);

    const VelborPacket intPacket(QVariantMap{{QStringLiteral("dataFormat"), 3}, {QStringLiteral("int"), 1}}, 0, 0);
    const QByteArray intBody = intFrame.mid(VelborReceiver::HeaderLength);
    const QVariantMap intPayload = VelborReceiver::parseBody(intBody).value();
    VelborReceiver reporter;
    std::printf("  one thread, no socket: frame %.2f us, decode %.2f us, rxDictionary %.2f us\n",
                microseconds(messages, [&] { VelborSendReceive::frameForPacket(intPacket); }),
                microseconds(messages, [&] { VelborReceiver::parseBody(intBody); }),
                microseconds(messages, [&] { reporter.rxDictionary(intPayload); }));

    const int trips = std::min(messages, 2000);
    const auto [op50, op99] = ourRoundTrips(trips);
    const auto [bp50, bp99] = bareRoundTrips(intFrame, trips);
    std::printf("round trip of one message (%d trips)\n", trips);
    std::printf("  ours p50 %7.1f us p99 %7.1f us   bare p50 %7.1f us p99 %7.1f us\n", op50, op99, bp50, bp99);

    const QByteArray megabyte(1024 * 1024, 'd');
    const QByteArray bulkFrame =
        VelborSendReceive::frameForPacket(
            VelborPacket(QVariantMap{{QStringLiteral("dataFormat"), 13}, {QStringLiteral("nsdata"), megabyte}}, 0, 0))
            .value();
    for (const Tls* t : {static_cast<const Tls*>(nullptr), &tls}) {
        const double o = ourDelivery(
            t, [&](VelborSendReceive& s) { s.sendData(megabyte); }, megabytes);
        const double b = bareDelivery(t, bulkFrame, megabytes);
        const double bl = bareDelivery(t, bulkFrame, megabytes, [&] {
            QByteArray line("Data: ");
            appendDataDescription(line, megabyte);
            processLogUtf8(line);
        });
        std::printf("sendData: %d x 1 MB, %s\n", megabytes, t ? "TLS" : "plain");
        std::printf("  ours %8.1f MB/s   bare %s %8.1f MB/s   time ratio %.2f\n", megabytes / o,
                    t ? "QSslSocket" : "QTcpSocket", megabytes / b, o / b);
        std::printf("  bare %s writing the same log line per message %8.1f MB/s   time ratio %.2f\n",
                    t ? "QSslSocket" : "QTcpSocket", megabytes / bl, o / bl);
    }
    return 0;
}
