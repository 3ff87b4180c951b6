// Listens for typed messages and writes each one to the process log (standard error); received files
// land in the documents directory.
//
//   velbor_receiver [--port N] [--interface ADDRESS] [--tls CERT.pem KEY.pem]
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
    options.addOption({QStringLiteral("port"), QStringLiteral("Port to listen on (default 5555)."), QStringLiteral("N"),
                       QStringLiteral("5555")});
    options.addOption({QStringLiteral("interface"), QStringLiteral("Address to listen on (default 127.0.0.1)."),
                       QStringLiteral("ADDRESS"), QStringLiteral("127.0.0.1")});
    options.addOption({QStringLiteral("tls"),
                       QStringLiteral("Serve TLS with this certificate; the key follows as the "
                                      "first argument."),
                       QStringLiteral("CERT.pem")});
    options.addPositionalArgument(QStringLiteral("KEY.pem"), QStringLiteral("The certificate's key (with --tls)."));
    options.process(app);

    StreamSocket::TlsSettings tls{.isServer = true};
    const bool secure = options.isSet(QStringLiteral("tls"));
    if (secure) {
        QFile cert(options.value(QStringLiteral("tls")));
        QFile key(options.positionalArguments().value(0));
        if (!cert.open(QIODevice::ReadOnly) || !key.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read the certificate or the key\n");
            return 2;
        }
        tls.certificate = QSslCertificate(cert.readAll());
        const QByteArray keyBytes = key.readAll();
        tls.privateKey = QSslKey(keyBytes, QSsl::Rsa);
        if (tls.privateKey.isNull()) {
            tls.privateKey = QSslKey(keyBytes, QSsl::Ec);
        }
        if (tls.certificate.isNull() || tls.privateKey.isNull()) {
            std::fprintf(stderr, "the certificate or the key is not PEM\n");
            return 2;
        }
    }

    StreamSocket listener;
    if (!listener.acceptOnInterfacePort(options.value(QStringLiteral("interface")),
                                        quint16(options.value(QStringLiteral("port")).toUInt()))) {
        std::fprintf(stderr, "cannot listen: %s\n", qPrintable(listener.lastError()));
        return 1;
    }
    std::fprintf(stderr, "listening on port %u%s\n", listener.localPort(), secure ? " (TLS)" : "");
    QObject::connect(&listener, &StreamSocket::didAcceptNewSocket, &listener, [&](StreamSocket* socket) {
        std::fprintf(stderr, "connection from %s\n", qPrintable(socket->connectedHost()));
        auto* messages = new VelborSendReceive(socket);
        QObject::connect(socket, &StreamSocket::didDisconnect, socket, [socket](const QString& error) {
            std::fprintf(stderr, "connection closed%s%s\n", error.isEmpty() ? "" : ": ", qPrintable(error));
            socket->deleteLater();
        });
        if (secure) {
            socket->startTLS(tls);
        }
        messages->startReceiving(socket);
    });
    return app.exec();
}
