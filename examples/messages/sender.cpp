// Connects to a receiver, sends one message of every kind (sendTest:) and closes once all is written.
//
//   velbor_sender [--tls] [--ca CERT.pem | --accept CERT.pem] [--peer-name NAME] HOST PORT
#include "StreamSocket.h"
#include "VelborSendReceive.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser options;
    options.addHelpOption();
    options.addOption({QStringLiteral("tls"), QStringLiteral("Secure the connection with TLS.")});
    options.addOption({QStringLiteral("ca"),
                       QStringLiteral("Trust this certificate authority instead of the "
                                      "system's."),
                       QStringLiteral("CERT.pem")});
    options.addOption({QStringLiteral("accept"), QStringLiteral("Accept this self-signed server certificate."),
                       QStringLiteral("CERT.pem")});
    options.addOption({QStringLiteral("peer-name"), QStringLiteral("The name the server's certificate must carry."),
                       QStringLiteral("NAME")});
    options.addPositionalArgument(QStringLiteral("HOST"), QStringLiteral("The receiver's host."));
    options.addPositionalArgument(QStringLiteral("PORT"), QStringLiteral("The receiver's port."));
    options.process(app);
    const QStringList args = options.positionalArguments();
    if (args.size() != 2) {
        options.showHelp(2);
    }

    StreamSocket::TlsSettings tls{.peerName = options.value(QStringLiteral("peer-name"))};
    for (const char* option : {"ca", "accept"}) {
        const QString path = options.value(QString::fromLatin1(option));
        if (path.isEmpty()) {
            continue;
        }
        QFile file(path);
        const QList<QSslCertificate> certs =
            file.open(QIODevice::ReadOnly) ? QSslCertificate::fromData(file.readAll()) : QList<QSslCertificate>{};
        if (certs.isEmpty()) {
            std::fprintf(stderr, "cannot read a certificate from %s\n", qPrintable(path));
            return 2;
        }
        (option[0] == 'c' ? tls.trustedCertificates : tls.acceptedSelfSigned) = certs;
    }

    StreamSocket socket;
    VelborSendReceive messages;
    messages.setConnectedSocket(&socket);
    int status = 0;
    QObject::connect(&socket, &StreamSocket::didConnectToHost, &socket, [&] {
        if (options.isSet(QStringLiteral("tls"))) {
            socket.startTLS(tls); // what is sent now goes out once the handshake succeeded
        }
        messages.sendTest(QStringLiteral("velbor_sender"));
        socket.disconnectAfterWriting();
    });
    QObject::connect(&socket, &StreamSocket::didDisconnect, &socket, [&](const QString& error) {
        if (!error.isEmpty()) {
            std::fprintf(stderr, "error: %s\n", qPrintable(error));
            status = 1;
        }
        app.exit(status);
    });
    socket.connectToHostOnPortWithTimeout(args[0], quint16(args[1].toUInt()), 10);
    return app.exec();
}
