#include "KeyedArchive.h"
#include "StreamSocket.h"
#include "TestHome.h"
#include "TraceRecorder.h"
#include "VelborPacket.h"
#include "VelborSendReceive.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <cstdio>
#include <cstring>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray header(quint64 length)
{
    QByteArray bytes(8, Qt::Uninitialized);
    std::memcpy(bytes.data(), &length, 8);
    return bytes;
}

QByteArray frameOf(const QVariantMap& payload)
{
    return VelborSendReceive::frameForPacket(VelborPacket(payload, 0, 0)).value();
}

// Standard error into a file while it lives: the receiver's process log can outgrow a pipe.
class LogCapture
{
public:
    LogCapture()
    {
        std::fflush(stderr);
        if (m_file.open()) {
            m_saved = ::dup(STDERR_FILENO);
            ::dup2(m_file.handle(), STDERR_FILENO);
        }
    }
    ~LogCapture() { take(); }
    QString take()
    {
        if (m_saved >= 0) {
            std::fflush(stderr);
            ::dup2(m_saved, STDERR_FILENO);
            ::close(m_saved);
            m_saved = -1;
            m_file.seek(0);
            m_text = QString::fromUtf8(m_file.readAll());
        }
        return m_text;
    }

private:
    QTemporaryFile m_file;
    int m_saved = -1;
    QString m_text;
};

// A throwaway self-signed certificate for "localhost", made with openssl.
struct Certificate
{
    QSslCertificate cert;
    QSslKey key;
};

std::optional<Certificate> makeCertificate(const QString& dir)
{
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("ec"),
                   QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                   QStringLiteral("-days"), QStringLiteral("1"), QStringLiteral("-subj"),
                   QStringLiteral("/CN=localhost"), QStringLiteral("-addext"),
                   QStringLiteral("subjectAltName=DNS:localhost"), QStringLiteral("-keyout"),
                   dir + QStringLiteral("/key.pem"), QStringLiteral("-out"), dir + QStringLiteral("/cert.pem")});
    if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0) {
        return std::nullopt;
    }
    QFile cert(dir + QStringLiteral("/cert.pem"));
    QFile key(dir + QStringLiteral("/key.pem"));
    if (!cert.open(QIODevice::ReadOnly) || !key.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return Certificate{QSslCertificate(cert.readAll()), QSslKey(key.readAll(), QSsl::Ec)};
}

// A listener on loopback and a client connected to it: the accepted side is `server`.
struct Pair
{
    StreamSocket listener;
    StreamSocket client;
    StreamSocket* server = nullptr;

    bool open()
    {
        if (!listener.acceptOnInterfacePort(QStringLiteral("127.0.0.1"), 0)) {
            return false;
        }
        QSignalSpy accepted(&listener, &StreamSocket::didAcceptNewSocket);
        QSignalSpy connected(&client, &StreamSocket::didConnectToHost);
        client.connectToHostOnPortWithTimeout(QStringLiteral("localhost"), listener.localPort(), 10);
        if (!connected.wait(10000) || (accepted.isEmpty() && !accepted.wait(10000))) {
            return false;
        }
        server = accepted.first().first().value<StreamSocket*>();
        return true;
    }

    // Secures both ends; true when both finished the handshake, false when the client gave up.
    bool secure(const Certificate& c, StreamSocket::TlsSettings clientSettings)
    {
        QSignalSpy serverSecured(server, &StreamSocket::didSecure);
        QSignalSpy clientSecured(&client, &StreamSocket::didSecure);
        QSignalSpy clientClosed(&client, &StreamSocket::didDisconnect);
        server->startTLS({.isServer = true, .certificate = c.cert, .privateKey = c.key});
        client.startTLS(clientSettings);
        const bool ended = QTest::qWaitFor(
            [&] { return !clientClosed.isEmpty() || (!clientSecured.isEmpty() && !serverSecured.isEmpty()); }, 10000);
        return ended && clientClosed.isEmpty() && !clientSecured.isEmpty() && !serverSecured.isEmpty();
    }
};

} // namespace

/** Typed messages between two endpoints over loopback, plain and TLS, and hostile input. */
class TestMessages : public QObject
{
    Q_OBJECT

    QTemporaryDir m_certDir;
    std::optional<Certificate> m_cert;

private slots:
    void initTestCase()
    {
        m_cert = makeCertificate(m_certDir.path());
        QVERIFY2(m_cert && !m_cert->cert.isNull() && !m_cert->key.isNull(), "openssl req failed");
    }

    void everyFormatArrivesAsSent_data()
    {
        QTest::addColumn<bool>("tls");
        QTest::newRow("plain") << false;
        QTest::newRow("tls") << true;
    }

    void everyFormatArrivesAsSent()
    {
        QFETCH(bool, tls);
        TestHome home;
        Pair pair;
        QVERIFY(pair.open());
        if (tls) {
            QVERIFY(pair.secure(*m_cert, {.acceptedSelfSigned = {m_cert->cert}}));
        }
        VelborSendReceive sender;
        VelborSendReceive receiver;
        sender.setConnectedSocket(&pair.client);
        QSignalSpy received(&receiver, &VelborSendReceive::didReceiveDictionary);
        LogCapture log;
        receiver.startReceiving(pair.server);
        sender.sendTest(QStringLiteral("test"));
        sender.sendInt(7);
        sender.sendFloat(2.5f);
        sender.send3BoolsWithBool0Int1B2(1, 0, 1.9f);
        sender.sendDict({{QStringLiteral("dataFormat"), 15}});
        sender.sendDict({{QStringLiteral("dataFormat"), -1}});
        sender.sendDict({{QStringLiteral("dataFormat"), 3}, {QStringLiteral("int"), QStringLiteral("x")}});
        sender.sendInt(-8); // the last one: everything before it has been handled when it arrives
        const bool all = QTest::qWaitFor([&] { return received.size() == 19; }, 20000);
        const QString lines = log.take();
        QVERIFY2(all, qPrintable(lines.right(900)));
        // A line starts with the local time to the millisecond, the program's name, pid and thread id.
        const QRegularExpression head(
            QStringLiteral(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} test_messages\[%1:\d+\] sendTest: test$)")
                .arg(QCoreApplication::applicationPid()),
            QRegularExpression::MultilineOption);
        QVERIFY2(head.match(lines).hasMatch(), qPrintable(lines.left(300)));

        const QList<int> formats = {1, 2, 3, 4, 7, 8, 9, 10, 11, 12, 13, 14}; // sendTest's, in order
        for (int i = 0; i < formats.size(); ++i) {
            QCOMPARE(received.at(i).first().toMap().value(QStringLiteral("dataFormat")).toInt(), formats[i]);
        }
        const QVariantMap file = received.at(11).first().toMap();
        QCOMPARE(file.value(QStringLiteral("fileName")).toString(), QStringLiteral("sendTest.txt"));
        QFile stored(home.documents() + QStringLiteral("/sendTest.txt"));
        QVERIFY(stored.open(QIODevice::ReadOnly));
        QCOMPARE(stored.readAll(), file.value(QStringLiteral("fileData")).toByteArray());
        QCOMPARE(received.at(10).first().toMap().value(QStringLiteral("nsdata")).toByteArray(),
                 QByteArrayLiteral("teststring"));
        QCOMPARE(received.at(7).first().toMap().value(QStringLiteral("array1")).toList().last().toString(),
                 QStringLiteral("6"));
        QCOMPARE(received.at(13).first().toMap().value(QStringLiteral("float")).toDouble(), 2.5);
        for (const char* line :
             {"sendTest: test", "Bool: 1", "b0:1  b1:0  b2:1", "Int: 1", "i0:2  i1:3  i2:4", "String: a string",
              "s0:one  s1:two  s2:three", "Dictionary: {\n    India = NewDelhi;", "Mutable Dictionary: {\n    2 = 1;",
              "Data: <74657374 73747269 6e67>", "FileName: sendTest.txt  Data: <", "sendTest: Sent Data", "Int: 7",
              "Float: 2.500000", "Velbor: DON'T KNOW:15", "Velbor: DON'T KNOW:-1", "Int: -8"}) {
            QVERIFY2(lines.contains(QString::fromUtf8(line)), line);
        }
        QCOMPARE(lines.count(QStringLiteral("b0:1  b1:0  b2:1")), 2); // 1.9 is cut to 1
        QVERIFY(!lines.contains(QStringLiteral("Int: 0")));           // a text where a number belongs
    }

    // Frames reach the receiver whole however the stream is cut: at every byte, one byte at a time,
    // or all at once.
    void framesAssembleFromAnyChunking()
    {
        const QByteArray stream =
            frameOf({{QStringLiteral("dataFormat"), 3}, {QStringLiteral("int"), 7}}) +
            frameOf({{QStringLiteral("dataFormat"), 7}, {QStringLiteral("string"), u"h\u00e9"_s}}) +
            frameOf({{QStringLiteral("dataFormat"), 13}, {QStringLiteral("nsdata"), QByteArray(300, 'x')}});
        const QByteArray first = frameOf({{QStringLiteral("dataFormat"), 3}, {QStringLiteral("int"), 7}});
        QCOMPARE(VelborReceiver::parseHeader(stream).value(), quint64(first.size() - 8));
        LogCapture quiet;
        const auto receive = [](const QList<QByteArray>& chunks) {
            VelborReceiver r;
            QList<QVariantMap> got;
            r.setMessageHandler([&got](const QVariantMap& m) { got << m; });
            for (const QByteArray& c : chunks) {
                r.receiveBytes(c);
            }
            return got.size() == 3 && got[0].value(QStringLiteral("int")) == 7 &&
                   got[2].value(QStringLiteral("nsdata")).toByteArray().size() == 300 && r.bufferedBytes() == 0;
        };
        QVERIFY(receive({stream}));
        for (qsizetype cut = 0; cut <= stream.size(); ++cut) {
            QVERIFY2(receive({stream.left(cut), stream.mid(cut)}), qPrintable(QString::number(cut)));
        }
        QList<QByteArray> bytes;
        for (char c : stream) {
            bytes << QByteArray(1, c);
        }
        QVERIFY(receive(bytes));
        // A body larger than a stored archive may be, but within what a header may announce, decodes.
        const QByteArray large(40 * 1024 * 1024, 'L');
        const auto body = frameOf({{QStringLiteral("dataFormat"), 13}, {QStringLiteral("nsdata"), large}}).mid(8);
        QCOMPARE(VelborReceiver::parseBody(body).value_or(QVariantMap()).value(QStringLiteral("nsdata")),
                 QVariant(large));
    }

    void hostileFramesAndPayloads()
    {
        TraceRecorder traces;
        LogCapture log;
        VelborReceiver r;
        int handled = 0;
        r.setMessageHandler([&handled](const QVariantMap&) { ++handled; });
        QVERIFY(!VelborReceiver::parseHeader(QByteArray(7, '\0')));
        QVERIFY(r.receiveBytes(header(0)));           // an empty body: not an archive
        QVERIFY(r.receiveBytes(header(5) + "junk!")); // not an archive
        const QByteArray noPacket = KeyedArchive::archivedData(QVariantMap(), QStringLiteral("root")).value();
        QVERIFY(r.receiveBytes(header(quint64(noPacket.size())) + noPacket));
        VelborPacket nested(QVariantMap{}, 0, 0);
        for (int i = 0; i < 70; ++i) { // deeper than decoding allows
            nested = VelborPacket(QVariantList{QVariant::fromValue(nested)}, 0, 0);
        }
        QVERIFY(r.receiveBytes(VelborSendReceive::frameForPacket(nested).value()));
        QCOMPARE(handled, 0);
        QCOMPARE(traces.count(QStringLiteral("is not an archived packet")), 4);

        r.rxDictionary({{QStringLiteral("int"), 3}});
        r.rxDictionary({{QStringLiteral("dataFormat"), 4}, {QStringLiteral("int0"), 1}}); // keys missing
        r.rxDictionary({{QStringLiteral("dataFormat"), 5}, {QStringLiteral("float"), QVariantList()}});
        r.rxDictionary(
            {{QStringLiteral("dataFormat"), 14}, {QStringLiteral("fileName"), 1}, {QStringLiteral("fileData"), 2}});
        QCOMPARE(traces.count(QStringLiteral("not a number")), 1);
        QCOMPARE(traces.count(QStringLiteral("fileData")), 1);

        QVERIFY(r.receiveBytes(header(3))); // a partial frame stays buffered
        QCOMPARE(r.bufferedBytes(), qsizetype(8));
        for (quint64 length : {VelborReceiver::MaxBodyLength + 1, ~quint64(0)}) {
            VelborReceiver capped;
            QVERIFY(!capped.receiveBytes(header(length)));
            QVERIFY(!capped.receiveBytes(frameOf({{QStringLiteral("dataFormat"), 3}, {QStringLiteral("int"), 1}})));
        }
        QCOMPARE(traces.count(QStringLiteral("closing the connection")), 2);
        const QString lines = log.take();
        QVERIFY(lines.contains(QStringLiteral("Warning:No dataFormat in Dictionary")));
        QVERIFY(lines.contains(QStringLiteral("rxDictionary: Dont know DataFormat key")));
        QVERIFY(!lines.contains(QStringLiteral("i0:")));
    }

    // An oversized header over a real connection: the receiver closes it.
    void oversizedHeaderClosesTheConnection()
    {
        Pair pair;
        QVERIFY(pair.open());
        VelborSendReceive receiver;
        TraceRecorder traces;
        QSignalSpy closed(&pair.client, &StreamSocket::didDisconnect);
        receiver.startReceiving(pair.server);
        pair.client.writeDataWithTimeoutTag(header(~quint64(0)), -1, 0);
        QVERIFY(closed.wait(10000));
        QVERIFY(!closed.first().first().toString().isEmpty());
        QCOMPARE(traces.count(QStringLiteral("closing the connection")), 1);
    }

    void receivedFileNamesStayInTheDocuments()
    {
        TestHome home;
        VelborSendReceive receiver;
        TraceRecorder traces;
        LogCapture log;
        for (const char* name : {"../../x", "/etc/passwd", "a/b", ".", "", "..", "x", "notes.txt", "notes.txt"}) {
            receiver.rxDictionary({{QStringLiteral("dataFormat"), 14},
                                   {QStringLiteral("fileName"), QString::fromUtf8(name)},
                                   {QStringLiteral("fileData"), QByteArray(name)}});
        }
        log.take();
        QDir docs(home.documents());
        QCOMPARE(docs.entryList(QDir::Files | QDir::Hidden),
                 QStringList({u"b"_s, u"notes-1.txt"_s, u"notes.txt"_s, u"passwd"_s, u"x"_s, u"x-1"_s}));
        QCOMPARE(QFile(docs.filePath(u"x"_s)).size(), qint64(7)); // the first "x" kept its bytes
        QVERIFY(!QFile::exists(home.path() + u"/x"_s));
        QCOMPARE(traces.count(QStringLiteral("refused received file name")), 3);
    }

    // A large message is queued at once and arrives intact; a peer that never reads does not block
    // the writer, and closing frees what was queued.
    void largeWritesNeverBlock()
    {
        Pair pair;
        QVERIFY(pair.open());
        VelborSendReceive sender;
        sender.setConnectedSocket(&pair.client);
        const QByteArray data(100 * 1000 * 1000, 'v');
        const QByteArray frame = frameOf({{QStringLiteral("dataFormat"), 13}, {QStringLiteral("nsdata"), data}});
        QSignalSpy read(pair.server, &StreamSocket::didReadData);
        pair.server->readDataToLengthWithTimeoutTag(quint64(frame.size()), 60, 1);
        sender.sendData(data);
        QVERIFY(pair.client.pendingWriteBytes() > 0); // queued, not yet written: the call did not wait
        QVERIFY(read.wait(60000));
        QCOMPARE(QCryptographicHash::hash(read.first().first().toByteArray(), QCryptographicHash::Sha256),
                 QCryptographicHash::hash(frame, QCryptographicHash::Sha256));

        // A peer that never reads: a listening socket whose connections are never even accepted.
        const int quiet = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        QVERIFY(::bind(quiet, reinterpret_cast<sockaddr*>(&address), size) == 0 && ::listen(quiet, 1) == 0);
        QVERIFY(::getsockname(quiet, reinterpret_cast<sockaddr*>(&address), &size) == 0);
        StreamSocket writer;
        QSignalSpy connected(&writer, &StreamSocket::didConnectToHost);
        writer.connectToHostOnPortWithTimeout(u"127.0.0.1"_s, ntohs(address.sin_port), 10);
        QVERIFY(connected.wait(10000));
        for (int i = 0; i < 8; ++i) {
            writer.writeDataWithTimeoutTag(QByteArray(16 * 1024 * 1024, 'q'), -1, 2);
        }
        QTest::qWait(100);
        QVERIFY(writer.pendingWriteBytes() > 100 * 1024 * 1024);
        QSignalSpy closed(&writer, &StreamSocket::didDisconnect);
        writer.disconnectFromHost();
        ::close(quiet);
        QCOMPARE(closed.size(), 1);
        QCOMPARE(closed.first().first().toString(), QString());
        QCOMPARE(writer.pendingWriteBytes(), 0);
    }

    void peerClosingMidFrame()
    {
        Pair pair;
        QVERIFY(pair.open());
        VelborSendReceive receiver;
        QSignalSpy received(&receiver, &VelborSendReceive::didReceiveDictionary);
        QSignalSpy closed(pair.server, &StreamSocket::didDisconnect);
        receiver.startReceiving(pair.server);
        const QByteArray frame = frameOf({{QStringLiteral("dataFormat"), 3}, {QStringLiteral("int"), 1}});
        pair.client.writeDataWithTimeoutTag(frame.left(frame.size() / 2), -1, 0);
        pair.client.disconnectAfterWriting();
        QVERIFY(closed.wait(10000));
        QCOMPARE(closed.first().first().toString(), QStringLiteral("Socket closed by remote peer"));
        QCOMPARE(received.size(), 0);
        QCOMPARE(receiver.receiver().bufferedBytes(), frame.size() / 2);
    }

    void connectionFailures()
    {
        StreamSocket probe; // a port that was free a moment ago
        QVERIFY(probe.acceptOnInterfacePort(QStringLiteral("127.0.0.1"), 0));
        const quint16 port = probe.localPort();
        probe.disconnectFromHost();
        StreamSocket refused;
        QSignalSpy failed(&refused, &StreamSocket::didDisconnect);
        QVERIFY(refused.connectToHostOnPortWithTimeout(QStringLiteral("127.0.0.1"), port, 5));
        QVERIFY(failed.wait(10000));
        QVERIFY2(failed.first().first().toString().contains(u"refused"_s), qPrintable(refused.lastError()));

        Pair pair;
        QVERIFY(pair.open());
        QSignalSpy timedOut(&pair.client, &StreamSocket::didDisconnect);
        pair.client.readDataToLengthWithTimeoutTag(4, 0.05, 1);
        QVERIFY(timedOut.wait(10000));
        QCOMPARE(timedOut.first().first().toString(), QStringLiteral("Read operation timed out"));
    }

    void tlsChecksTheServer()
    {
        Pair wrongName;
        QVERIFY(wrongName.open());
        QSignalSpy closed(&wrongName.client, &StreamSocket::didDisconnect);
        QVERIFY(!wrongName.secure(
            *m_cert, {.peerName = QStringLiteral("wrong.example"), .trustedCertificates = {m_cert->cert}}));
        QVERIFY(!closed.isEmpty() || closed.wait(10000));
        QVERIFY2(closed.first().first().toString().startsWith(u"TLS handshake failed"_s),
                 qPrintable(closed.first().first().toString()));

        Pair untrusted; // a self-signed certificate that nobody accepted
        QVERIFY(untrusted.open());
        QVERIFY(!untrusted.secure(*m_cert, {}));
        QVERIFY(!untrusted.client.isSecure());

        Pair trusted;
        QVERIFY(trusted.open());
        QVERIFY(trusted.secure(*m_cert, {.trustedCertificates = {m_cert->cert}}));
    }

    // The platform's keyed unarchiver reads our frames, and we read its packets.
    void gnustepPeer()
    {
#ifndef CARROWEN_ARCHIVE_PEER
        QSKIP("GNUstep base was not found when the build was configured: no archive peer");
#else
        QTemporaryDir dir;
        QFile out(dir.filePath(u"frames"_s));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(frameOf({{QStringLiteral("dataFormat"), 3}, {QStringLiteral("int"), 7}}));
        out.write(VelborSendReceive::frameForPacket(VelborPacket(QVariantList{1.5, u"a"_s}, 2, -3)).value());
        out.close();
        QProcess peer;
        peer.start(QStringLiteral(CARROWEN_ARCHIVE_PEER), {u"frames"_s, out.fileName()});
        QVERIFY(peer.waitForFinished(60000));
        QCOMPARE(QString::fromUtf8(peer.readAllStandardOutput()),
                 u"P(0,0,D{dataFormat=Ni:3;int=Ni:7;})\nP(2,-3,MA[Nf:1.5,S\"a\"])\n"_s);

        const QString theirs = dir.filePath(u"theirs"_s);
        QCOMPARE(QProcess::execute(QStringLiteral(CARROWEN_ARCHIVE_PEER), {u"encode"_s, theirs}), 0);
        QFile in(theirs);
        QVERIFY(in.open(QIODevice::ReadOnly));
        const auto payload = VelborReceiver::parseBody(in.readAll());
        QVERIFY(payload);
        QCOMPARE(payload->value(u"dataFormat"_s).toInt(), 11);
        QCOMPARE(payload->value(u"big"_s).toLongLong(), -5000000000LL);
        QCOMPARE(payload->value(u"inner"_s).value<VelborPacket>(), VelborPacket(u"x"_s, 1, 2));
#endif
    }
};

QTEST_GUILESS_MAIN(TestMessages)
#include "tst_messages.moc"
