#include "Trace.h"

#include "NotificationCenter.h"

#include <atomic>
#include <unistd.h>

namespace {
std::atomic<bool> g_forwarding{false};

void writeAll(int fd, const QByteArray& bytes)
{
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, p, size_t(left));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        p += written;
        left -= written;
    }
}
} // namespace

bool isTraceForwarding()
{
    return g_forwarding.load(std::memory_order_relaxed);
}

void setTraceForwarding(bool on)
{
    g_forwarding.store(on, std::memory_order_relaxed);
}

void traceWriteLine(const QString& line)
{
    writeAll(STDERR_FILENO, line.toUtf8());
    if (isTraceForwarding()) {
        NotificationCenter::defaultCenter().postNotificationName(QStringLiteral("Debug"), line);
    }
}

QString traceCompose(QStringView format, const QVariantList& args)
{
    if (format.endsWith(u'\n')) {
        return formatList(format, args);
    }
    return formatList(format.toString() + u'\n', args);
}

void traceMessageList(QStringView format, const QVariantList& args)
{
    traceWriteLine(traceCompose(format, args));
}

void traceFileLineList(const char* file, int line, QStringView format, const QVariantList& args)
{
    traceWriteLine(::format("%@, line:%d  %@", sourceFileName(file), line, traceCompose(format, args)));
}

void traceFileMethodLineList(const char* file, int line, const QString& methodText, QStringView format,
                             const QVariantList& args)
{
    traceWriteLine(::format("%@, %@, line:%d  %@", sourceFileName(file), methodNameFromText(methodText), line,
                            traceCompose(format, args)));
}

QString methodNameText(const char* prettyFunction)
{
    // "void AppDelegate::gameLoop(int)" -> "-[AppDelegate gameLoop]"; free functions give "-[ name]".
    QString text = QString::fromUtf8(prettyFunction);
    const qsizetype paren = text.indexOf(u'(');
    if (paren >= 0) {
        text.truncate(paren);
    }
    const qsizetype blank = text.lastIndexOf(u' ');
    if (blank >= 0) {
        text = text.mid(blank + 1);
    }
    const qsizetype sep = text.lastIndexOf(QStringLiteral("::"));
    QString cls;
    QString method = text;
    if (sep >= 0) {
        cls = text.left(sep);
        method = text.mid(sep + 2);
        const qsizetype outer = cls.lastIndexOf(QStringLiteral("::"));
        if (outer >= 0) {
            cls = cls.mid(outer + 2);
        }
    }
    return QStringLiteral("-[") + cls + u' ' + method + u']';
}

QString methodNameFromText(const QString& text)
{
    if (text.size() < 3) {
        return {};
    }
    const QStringList pieces = text.mid(2, text.size() - 3).split(u' ');
    return pieces.size() >= 2 ? pieces.at(1) : QString();
}

QString sourceFileName(const char* path)
{
    const QString p = QString::fromUtf8(path ? path : "");
    return p.mid(p.lastIndexOf(u'/') + 1);
}
