#include "ProcessLog.h"

#include "Clock.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <sys/syscall.h>
#include <unistd.h>

namespace {
QString processName()
{
    static const QString name = [] {
        QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
        return exe.isEmpty() ? QStringLiteral("carrowen") : QFileInfo(exe).fileName();
    }();
    return name;
}
} // namespace

void processLog(const QString& text)
{
    QString line = Clock::current().now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) + u' ' + processName() +
                   u'[' + QString::number(::getpid()) + u':' + QString::number(long(::syscall(SYS_gettid))) +
                   QStringLiteral("] ") + text;
    if (!line.endsWith(u'\n')) {
        line += u'\n';
    }
    const QByteArray bytes = line.toUtf8();
    ssize_t unused = ::write(STDERR_FILENO, bytes.constData(), size_t(bytes.size()));
    (void)unused;
}
