// Packing and unpacking zip archives through the archive classes.

#include "FS.h"

#include "FSPaths.h"
#include "Strings.h"
#include "ZipFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

#include <sys/stat.h>

using namespace fs_paths;

namespace {

// Entries are copied through a buffer of this size: the lengths an archive claims are never used
// to size anything.
constexpr qsizetype Chunk = 256 * 1024;
constexpr int Level = 9;

// An entry name that stays inside the target directory: relative, no "." or ".." component, no NUL,
// no backslash (which other systems read as a separator).
bool isSafeEntryName(const QString& name)
{
    if (name.isEmpty() || name.startsWith(u'/') || name.contains(QChar(0)) || name.contains(u'\\')) {
        return false;
    }
    const QStringList parts = name.split(u'/', Qt::SkipEmptyParts);
    if (parts.isEmpty()) {
        return false;
    }
    return std::none_of(parts.cbegin(), parts.cend(),
                        [](const QString& p) { return p == QLatin1String("..") || p == QLatin1String("."); });
}

bool isMacMetadata(const QString& name)
{
    const QStringList parts = name.split(u'/');
    return parts.size() >= 2 && parts.first() == QLatin1String("__MACOSX");
}

// Makes the directories of relative (a safe entry path) below root one by one; false when a component
// exists as anything but a real directory, so that a link already in the target directory can never
// lead an entry elsewhere.
bool makeDirsInside(const QString& root, const QString& relative)
{
    QString path = root;
    for (const QString& part : relative.split(u'/', Qt::SkipEmptyParts)) {
        path = join(path, part);
        const QByteArray bytes = QFile::encodeName(path);
        struct stat st = {};
        if (::lstat(bytes.constData(), &st) == 0) {
            if (!S_ISDIR(st.st_mode)) {
                return false;
            }
        } else if (::mkdir(bytes.constData(), 0777) != 0) {
            return false;
        }
    }
    return true;
}

// Writes the selected entry to target through a temporary file that replaces target only when the
// whole entry was read and checked; an exception from the stream leaves target as it was.
void extractCurrent(ZipFile& zip, const QString& target)
{
    QSaveFile file(target);
    file.setDirectWriteFallback(false);
    const bool open = file.open(QIODevice::WriteOnly);
    std::unique_ptr<ZipReadStream> stream = zip.readCurrentFileInZip();
    QByteArray chunk(Chunk, Qt::Uninitialized);
    bool ok = open;
    while (const qint64 n = stream->readDataWithBuffer(chunk)) {
        if (ok && file.write(chunk.constData(), n) != n) {
            ok = false;
        }
    }
    stream->finishedReading();
    if (ok) {
        file.commit();
    } else if (open) {
        file.cancelWriting();
    }
}

// Adds the regular file at path as entry entryName, read in chunks.
void addFile(ZipFile& zip, const QString& path, const QString& entryName)
{
    QFile in(path);
    if (!QFileInfo(path).isFile() || !in.open(QIODevice::ReadOnly)) {
        return;
    }
    std::unique_ptr<ZipWriteStream> stream = zip.writeFileInZipWithNameFileDateCompressionLevel(
        entryName, QDateTime::currentDateTime().addSecs(-86400), Level);
    QByteArray chunk;
    while (!(chunk = in.read(Chunk)).isEmpty()) {
        stream->writeData(chunk);
    }
    stream->finishedWriting();
}

// Adds the files below dirPath with names prefixed by prefix: each sub-directory as its own "name/"
// entry followed by its contents (a link to a directory is not followed, so no cycle is packed), each
// regular file (or link to one) with its bytes. The entry named skip at the top is left out.
void addDirectory(ZipFile& zip, const QString& dirPath, const QString& prefix, const QString& skip)
{
    for (const QString& name : sortedEntries(dirPath)) {
        const QString path = join(dirPath, name);
        const QFileInfo info(path);
        if ((prefix.isEmpty() && name == skip) || (info.isSymLink() && info.isDir())) {
            continue;
        }
        if (info.isDir()) {
            const QString entry = prefix + name + u'/';
            zip.writeFileInZipWithNameFileDateCompressionLevel(entry, QDateTime::currentDateTime().addSecs(-86400),
                                                               Level)
                ->finishedWriting();
            addDirectory(zip, path, entry, skip);
        } else {
            addFile(zip, path, prefix + name);
        }
    }
}

} // namespace

void FS::unZipFileAtPath(const QString& name, const QString& path) const
{
    if (isRefusedName(name) || (!path.isEmpty() && isRefusedName(path))) {
        return;
    }
    const QString documents = getDocumentDir();
    if (documents.isEmpty()) {
        return;
    }
    // The archive is path "/" name from the current directory (an empty path: the name alone); a
    // missing one raises the archive classes' "Can't open" before anything else happens.
    ZipFile zip(path.isEmpty() ? name : path + u'/' + name, ZipFile::ZipFileModeUnzip);
    const QString root = QFileInfo(path.isEmpty() ? documents : join(documents, path)).canonicalFilePath();
    if (root.isEmpty() || !QFileInfo(root).isDir() || zip.numFilesInZip() == 0) {
        zip.close();
        return;
    }
    // Entries are visited in archive order by stepping, not looked up by name: a second entry of the
    // same name then gets its own bytes.
    zip.goToFirstFileInZip();
    do {
        const QString entry = zip.getCurrentFileInZipInfo().name();
        if (isMacMetadata(entry) || !isSafeEntryName(entry)) {
            continue;
        }
        const qsizetype slash = entry.lastIndexOf(u'/');
        const QString entryDir = slash < 0 ? QString() : entry.left(slash);
        if (!makeDirsInside(root, entryDir) || entry.endsWith(u'/')) {
            continue;
        }
        const QString target = join(root, entry);
        // An existing directory or link of that name is left alone.
        const QFileInfo existing(target);
        if (existing.isSymLink() || existing.isDir()) {
            continue;
        }
        extractCurrent(zip, target);
    } while (zip.goToNextFileInZip());
    zip.close();
}

void FS::unZipInDocDir(const QString& name) const
{
    // The archive is looked for in the documents directory, where its entries go.
    if (isRefusedName(name)) {
        return;
    }
    const QString documents = getDocumentDir();
    if (!documents.isEmpty()) {
        unZipFileAtPath(join(documents, name), QString());
    }
}

int FS::unzipAllFilesInDir(const QString& dir) const
{
    // "" is the documents directory itself.
    if ((!dir.isEmpty() && isRefusedName(dir)) || !changeToDocDir()) {
        return 0;
    }
    int count = 0;
    for (const QString& name : listDir(dir)) {
        const QStringList pieces = name.split(u'.');
        if (pieces.size() >= 2 && pieces.last() == QLatin1String("zip")) {
            unZipFileAtPath(name, dir);
            ++count;
        }
    }
    return count;
}

void FS::zipAllFilesInDirIntoFile(const QString& dir, const QString& archiveName) const
{
    if ((!dir.isEmpty() && isRefusedName(dir)) || isRefusedName(archiveName) || archiveName.contains(u'/') ||
        !changeToDocDir()) {
        return;
    }
    // "" packs the documents directory itself.
    if (!dir.isEmpty() && !changeDir(dir)) {
        return;
    }
    const QString source = currentDir();
    if (listDir(QString()).isEmpty()) {
        return;
    }
    ZipFile zip(join(source, archiveName), ZipFile::ZipFileModeCreate);
    // The archive being written is not packed into itself.
    addDirectory(zip, source, QString(), archiveName);
    zip.close();
}

void FS::zipOneFile(const QString& name) const
{
    const std::optional<QString> path = fullPath(name);
    if (!path || !QFileInfo(*path).isFile()) {
        return;
    }
    const QString archive = QStringLiteral("%1.zip").arg(Strings::sharedEngineInstance()->removeExtFromStr(*path));
    // "notes.zip" would otherwise be replaced by an archive of itself.
    if (QFileInfo(archive).absoluteFilePath() == QFileInfo(*path).absoluteFilePath()) {
        return;
    }
    ZipFile zip(archive, ZipFile::ZipFileModeCreate);
    addFile(zip, *path, QFileInfo(*path).fileName());
    zip.close();
}
