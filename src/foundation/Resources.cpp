#include "Resources.h"

#include <QDir>
#include <QFileInfo>

#include <mutex>

namespace {
std::mutex g_mutex;
QString g_override;

QString executableDir()
{
    const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    return QFileInfo(exe).absolutePath();
}
} // namespace

QString resourceDirectory()
{
    {
        std::lock_guard<std::mutex> guard(g_mutex);
        if (!g_override.isEmpty()) {
            return g_override;
        }
    }
    static const QString dir = QDir::cleanPath(executableDir() + QStringLiteral("/../share/carrowen"));
    return dir;
}

void setResourceDirectory(const QString& path)
{
    std::lock_guard<std::mutex> guard(g_mutex);
    g_override = path.isEmpty() ? QString() : QDir::cleanPath(path);
}

QString resourcePath(const QString& name, const QString& ext)
{
    return resourceDirectory() + u'/' + (ext.isEmpty() ? name : name + u'.' + ext);
}
