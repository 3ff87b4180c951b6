#include "ProcessLog.h"

#include "Clock.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <limits>
#include <typeinfo>

#include <sys/syscall.h>
#include <sys/uio.h>
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
// " name[pid:tid] " for the calling thread, made once per thread (and again in a forked child).
QByteArrayView lineTail()
{
    thread_local pid_t cachedPid = 0;
    thread_local QByteArray cachedTail;
    const pid_t pid = ::getpid();
    if (pid != cachedPid) {
        cachedTail = (u' ' + processName() + u'[' + QString::number(pid) + u':' +
                      QString::number(long(::syscall(SYS_gettid))) + QStringLiteral("] "))
                         .toUtf8();
        cachedPid = pid;
    }
    return cachedTail;
}

// "2026-12-06 19:30:56.123 name[pid:tid] ". With the system clock the local date and time to the second
// are made once a second per thread: converting the time to local time costs microseconds (the time
// zone is looked up each time), which a flood of received messages would pay for every line.
QByteArray lineHead()
{
    QByteArray head;
    const Clock& clock = Clock::current();
    if (typeid(clock) == typeid(Clock)) {
        thread_local qint64 cachedSecond = std::numeric_limits<qint64>::min();
        thread_local QByteArray cachedStamp;
        const qint64 ms = QDateTime::currentMSecsSinceEpoch();
        const qint64 second = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
        if (second != cachedSecond) {
            cachedStamp =
                QDateTime::fromMSecsSinceEpoch(second * 1000).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.")).toUtf8();
            cachedSecond = second;
        }
        const int milli = int(ms - second * 1000);
        const char digits[3] = {char('0' + milli / 100), char('0' + milli / 10 % 10), char('0' + milli % 10)};
        head.reserve(cachedStamp.size() + 3 + 64);
        head.append(cachedStamp).append(digits, 3);
    } else {
        head = clock.now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toUtf8();
    }
    return head.append(lineTail());
}
} // namespace

void processLog(const QString& text)
{
    processLogUtf8(text.toUtf8());
}

void processLogUtf8(QByteArrayView text)
{
    const QByteArray head = lineHead();
    // One write of the three parts, without copying a long text into a line first.
    iovec parts[3] = {{const_cast<char*>(head.constData()), size_t(head.size())},
                      {const_cast<char*>(text.data()), size_t(text.size())},
                      {const_cast<char*>("\n"), text.endsWith('\n') ? 0u : 1u}};
    ssize_t unused = ::writev(STDERR_FILENO, parts, 3);
    (void)unused;
}
