#include "SingleInstance.h"

#include "Trace.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>

#include <unistd.h>

namespace {

const QByteArray ShowMessage = "show\n";

// The user's runtime directory (private to the user), or the temporary directory with the user's id.
QString runtimeDirectory()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) {
        return runtime;
    }
    return QDir::tempPath();
}

} // namespace

SingleInstance::SingleInstance(const QString& key, QObject* parent) : QObject(parent)
{
    const QByteArray digest = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    m_base = runtimeDirectory() + QStringLiteral("/carrowen-%1-%2").arg(::getuid()).arg(QString::fromLatin1(digest));
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim()
{
    m_lock = std::make_unique<QLockFile>(m_base + QStringLiteral(".lock"));
    // A lock left by a copy that died is taken over (QLockFile checks whether its process still runs).
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0)) {
        listen();
        return true;
    }
    // The running copy may still be starting: give it a few seconds to listen.
    const QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(m_base + QStringLiteral(".sock"));
        if (socket.waitForConnected(500)) {
            socket.write(ShowMessage);
            socket.waitForBytesWritten(1000);
            socket.disconnectFromServer();
            return false;
        }
        QThread::msleep(100);
    }
    // Nobody answers, so no copy is serving: a copy killed between creating the lock file and writing
    // its process id leaves a lock that QLockFile never calls stale, and a recorded process id can
    // have been reused. Such a lock is taken over. A live holder keeps its file locked, so its lock
    // cannot be removed here.
    if (m_lock->removeStaleLockFile() && m_lock->tryLock(0)) {
        TRACE("took over %@, whose holder does not answer", m_base + QStringLiteral(".lock"));
        listen();
        return true;
    }
    TRACE("another copy holds %@ but does not answer; this one leaves", m_base + QStringLiteral(".lock"));
    return false;
}

void SingleInstance::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    const QString name = m_base + QStringLiteral(".sock");
    QLocalServer::removeServer(name); // left by a copy that died
    if (!m_server->listen(name)) {
        TRACE("a later start cannot reach this copy: %@", m_server->errorString());
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = m_server->nextPendingConnection()) {
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                if (peer->readAll().contains('\n')) {
                    emit anotherStart();
                }
            });
        }
    });
}
