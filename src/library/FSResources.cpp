// The application's resources: reading them and copying them into the documents directory.

#include "FS.h"

#include "FSPaths.h"
#include "Files.h"
#include "Resources.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>

using namespace fs_paths;

namespace {

constexpr qint64 MaxResourceText = 32 * 1024 * 1024;

} // namespace

bool FS::doesFileExistInBundle(const QString& name) const
{
    const QStringList parts = name.split(u'.');
    if (parts.size() != 2 || isRefusedName(name) || name.contains(u'/')) {
        return false;
    }
    return QFileInfo::exists(resourcePath(parts[0], parts[1]));
}

std::optional<QString> FS::readTxtFromBundle(const QString& name) const
{
    if (isRefusedName(name)) {
        return std::nullopt;
    }
    const std::optional<QByteArray> bytes = files::readBoundedFile(resourcePath(name), MaxResourceText);
    if (!bytes) {
        return std::nullopt;
    }
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(*bytes);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}

QStringList FS::getBundleDir() const
{
    return files::directoryEntries(resourceDirectory());
}

bool FS::cpyBundleFileToDirinDocDirDir(const QString& name, const QString& dir) const
{
    if (isRefusedItem(name) || dir.isEmpty() || dir.contains(QChar(0))) {
        return false;
    }
    const QString target = QStringLiteral("%1/%2").arg(dir, name);
    const QString absolute = QDir::isAbsolutePath(target) ? target : join(currentDir(), target);
    return copyItemPath(resourcePath(name), absolute);
}

bool FS::cpyBundleFileToDocDir(const QString& name) const
{
    const QString documents = getDocumentDir();
    return !documents.isEmpty() && cpyBundleFileToDirinDocDirDir(name, documents);
}

bool FS::initFilelistIntoDirClr(const QString& listName, const QString& dir, bool clear) const
{
    if (dir.isEmpty() || isRefusedName(dir)) {
        return false;
    }
    // Nothing is emptied or installed unless dir really is a directory inside the documents directory.
    if (!changeToDocDir()) {
        return false;
    }
    const QString documents = QDir::current().canonicalPath();
    if (!changeDir(dir) || QDir::current().canonicalPath() == documents) {
        changeToDocDir();
        return false;
    }
    if (clear) {
        deleteAllItemsFromDir(dir);
    }
    const QStringList lines = readTxtFromBundle(listName).value_or(QString()).split(u'\n');
    int copied = 0;
    for (const QString& line : lines) {
        if (line.isEmpty() || isRefusedName(line)) {
            continue;
        }
        if (!changeToDocDir() || !changeDir(dir)) {
            return false;
        }
        if (doesItemExist(line) < 0) {
            ++copied;
            changeToDocDir();
            cpyBundleFileToDirinDocDirDir(line, dir);
        }
    }
    return copied == lines.size();
}
