#include "FSPaths.h"

#include "AtomicFile.h"
#include "Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <sys/stat.h>
#include <unistd.h>

namespace fs_paths {

namespace {

bool isAsciiDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

bool isRefusedName(QStringView name)
{
    if (name.isEmpty() || name.contains(QChar(0))) {
        return true;
    }
    for (QStringView piece : name.tokenize(u'/')) {
        if (piece == u"..") {
            return true;
        }
    }
    return false;
}

QString currentDir()
{
    // QDir::currentPath() answers "" when getcwd fails; joining names to "" would reach the root.
    return QDir::currentPath();
}

QString join(const QString& base, const QString& name)
{
    if (base.endsWith(u'/')) {
        return base + name;
    }
    return base + u'/' + name;
}

std::optional<QString> fullPath(const QString& name)
{
    if (isRefusedName(name)) {
        return std::nullopt;
    }
    const QString current = currentDir();
    if (current.isEmpty()) {
        return std::nullopt;
    }
    return join(current, name);
}

SplitName splitName(const QString& name)
{
    QString trimmed = name;
    while (trimmed.size() > 1 && trimmed.endsWith(u'/')) {
        trimmed.chop(1);
    }
    const qsizetype slash = trimmed.lastIndexOf(u'/');
    if (slash < 0) {
        return {QString(), trimmed};
    }
    return {trimmed.left(slash), trimmed.mid(slash + 1)};
}

int compareListingNames(QStringView a, QStringView b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        const char16_t ca = a[i].unicode();
        const char16_t cb = b[j].unicode();
        if (isAsciiDigit(ca) && isAsciiDigit(cb)) {
            // Compare the two digit runs by value without converting them: leading zeros aside, the
            // longer run is larger, and equal lengths compare digit by digit. No overflow for any length.
            qsizetype endA = i;
            while (endA < a.size() && isAsciiDigit(a[endA].unicode())) {
                ++endA;
            }
            qsizetype endB = j;
            while (endB < b.size() && isAsciiDigit(b[endB].unicode())) {
                ++endB;
            }
            qsizetype sigA = i;
            while (sigA < endA - 1 && a[sigA] == u'0') {
                ++sigA;
            }
            qsizetype sigB = j;
            while (sigB < endB - 1 && b[sigB] == u'0') {
                ++sigB;
            }
            const qsizetype lenA = endA - sigA;
            const qsizetype lenB = endB - sigB;
            if (lenA != lenB) {
                return lenA < lenB ? -1 : 1;
            }
            const int digits = a.sliced(sigA, lenA).compare(b.sliced(sigB, lenB));
            if (digits != 0) {
                return digits < 0 ? -1 : 1;
            }
            i = endA;
            j = endB;
            continue;
        }
        if (ca != cb) {
            return ca < cb ? -1 : 1;
        }
        ++i;
        ++j;
    }
    const bool restA = i < a.size();
    const bool restB = j < b.size();
    if (restA != restB) {
        return restA ? 1 : -1;
    }
    const int plain = a.compare(b);
    return plain < 0 ? -1 : (plain > 0 ? 1 : 0);
}

QStringList sortedEntries(const QString& dirPath)
{
    QStringList names = files::directoryEntries(dirPath);
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return compareListingNames(a, b) < 0; });
    return names;
}

QString extensionOf(const QString& name)
{
    const QString last = name.mid(name.lastIndexOf(u'/') + 1);
    const qsizetype dot = last.lastIndexOf(u'.');
    return dot < 0 ? QString() : last.mid(dot + 1);
}

bool removeTree(const QByteArray& path)
{
    struct stat st = {};
    if (::lstat(path.constData(), &st) != 0) {
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        return ::unlink(path.constData()) == 0;
    }
    bool ok = true;
    for (const QByteArray& child : files::directoryEntryBytes(path)) {
        ok = removeTree(path + '/' + child) && ok;
    }
    return ::rmdir(path.constData()) == 0 && ok;
}

bool writeWholeFile(const QString& path, const QByteArray& bytes)
{
    return writeFileAtomically(path, bytes);
}

} // namespace fs_paths
