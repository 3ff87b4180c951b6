#include "FS.h"

#include "FSPaths.h"
#include "Files.h"
#include "ProcessLog.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QStorageInfo>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace fs_paths;

namespace {

// Home directory from the user database, for when HOME is unset or empty (Qt then answers "/").
QString homeFromUserDatabase()
{
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    QByteArray buffer(size > 0 ? qsizetype(size) : 16384, '\0');
    passwd entry{};
    passwd* found = nullptr;
    while (::getpwuid_r(::geteuid(), &entry, buffer.data(), size_t(buffer.size()), &found) == ERANGE &&
           buffer.size() < (1 << 20)) {
        buffer.resize(buffer.size() * 2);
    }
    if (!found || !found->pw_dir || !*found->pw_dir) {
        return {};
    }
    return QFile::decodeName(found->pw_dir);
}

bool homeIsSet()
{
    return !qEnvironmentVariableIsEmpty("HOME");
}

// The position a present name takes in the sorted listing is the number of names ordered before it
// (names in a directory are unique and the order is total): one pass instead of a sort.
int positionInListing(const QStringList& entries, const QString& name)
{
    return int(std::count_if(entries.cbegin(), entries.cend(),
                             [&name](const QString& other) { return compareListingNames(other, name) < 0; }));
}

int indexOfExact(const QStringList& entries, const QString& name)
{
    return entries.contains(name) ? positionInListing(entries, name) : -1;
}

// The entry that comes first in listing order among those equal to name when both are lowered;
// none when there is no such entry.
std::optional<QString> firstIgnoringCase(const QStringList& entries, const QString& name)
{
    if (name.isEmpty()) {
        return std::nullopt;
    }
    const QString wanted = name.toLower();
    std::optional<QString> first;
    for (const QString& entry : entries) {
        if (entry.toLower() == wanted && (!first || compareListingNames(entry, *first) < 0)) {
            first = entry;
        }
    }
    return first;
}

bool lstatPath(const QString& path, struct stat& st)
{
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

bool removePath(const QString& path)
{
    return removeTree(QFile::encodeName(path));
}

// The "contains a '.' and its last '.'-separated piece is ext" rule of the extension counts.
bool endsInExtension(const QString& name, const QString& ext)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot >= 0 && QStringView(name).sliced(dot + 1) == ext;
}

QString typeName(mode_t mode)
{
    if (S_ISREG(mode)) {
        return QStringLiteral("NSFileTypeRegular");
    }
    if (S_ISDIR(mode)) {
        return QStringLiteral("NSFileTypeDirectory");
    }
    if (S_ISLNK(mode)) {
        return QStringLiteral("NSFileTypeSymbolicLink");
    }
    if (S_ISSOCK(mode)) {
        return QStringLiteral("NSFileTypeSocket");
    }
    if (S_ISCHR(mode)) {
        return QStringLiteral("NSFileTypeCharacterSpecial");
    }
    if (S_ISBLK(mode)) {
        return QStringLiteral("NSFileTypeBlockSpecial");
    }
    return QStringLiteral("NSFileTypeUnknown");
}

QDateTime fromTimespec(qint64 seconds, qint64 nanoseconds)
{
    return QDateTime::fromMSecsSinceEpoch(seconds * 1000 + nanoseconds / 1000000, Qt::UTC);
}

// The creation (birth) time where the file system records it, else the modification time.
QDateTime creationTime(const QString& path, const struct stat& st)
{
    struct statx sx = {};
    if (::statx(AT_FDCWD, QFile::encodeName(path).constData(), AT_SYMLINK_NOFOLLOW, STATX_BTIME, &sx) == 0 &&
        (sx.stx_mask & STATX_BTIME)) {
        return fromTimespec(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec);
    }
    return fromTimespec(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
}

bool sameFileContents(const QByteArray& path1, const QByteArray& path2, qint64 size)
{
    QFile a(QFile::decodeName(path1));
    QFile b(QFile::decodeName(path2));
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly)) {
        return false;
    }
    qint64 done = 0;
    while (done < size) {
        const QByteArray chunkA = a.read(65536);
        const QByteArray chunkB = b.read(65536);
        if (chunkA.isEmpty() || chunkA != chunkB) {
            return false;
        }
        done += chunkA.size();
    }
    return a.read(1).isEmpty() && b.read(1).isEmpty();
}

QList<QByteArray> sortedChildNames(const QByteArray& path)
{
    QList<QByteArray> names = files::directoryEntryBytes(path);
    std::sort(names.begin(), names.end());
    return names;
}

// Links are compared by their own texts, never followed, so link cycles cannot recurse.
bool sameContents(const QByteArray& path1, const QByteArray& path2)
{
    struct stat s1 = {};
    struct stat s2 = {};
    if (::lstat(path1.constData(), &s1) != 0 || ::lstat(path2.constData(), &s2) != 0) {
        return false;
    }
    if ((s1.st_mode & S_IFMT) != (s2.st_mode & S_IFMT)) {
        return false;
    }
    if (S_ISREG(s1.st_mode)) {
        return s1.st_size == s2.st_size && sameFileContents(path1, path2, s1.st_size);
    }
    if (S_ISLNK(s1.st_mode)) {
        char t1[4096];
        char t2[4096];
        const ssize_t n1 = ::readlink(path1.constData(), t1, sizeof t1);
        const ssize_t n2 = ::readlink(path2.constData(), t2, sizeof t2);
        return n1 >= 0 && n1 == n2 && std::equal(t1, t1 + n1, t2);
    }
    if (S_ISDIR(s1.st_mode)) {
        const QList<QByteArray> names1 = sortedChildNames(path1);
        if (names1 != sortedChildNames(path2)) {
            return false;
        }
        for (const QByteArray& n : names1) {
            if (!sameContents(path1 + '/' + n, path2 + '/' + n)) {
                return false;
            }
        }
        return true;
    }
    // Devices, pipes and sockets have no contents to compare; the same node is equal to itself.
    return s1.st_dev == s2.st_dev && s1.st_ino == s2.st_ino;
}

} // namespace

void FS::FSgreet() const
{
    processLog(QStringLiteral("hello from FS"));
}

// ---- Current directory and standard directories ----

QString FS::getCurrentDir() const
{
    return currentDir();
}

QString FS::getDocumentDir() const
{
    QString path;
    if (homeIsSet()) {
        path = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (path.startsWith(u'~')) {
            path = QDir::homePath() + path.mid(1);
        }
    } else {
        // With HOME unset Qt answers "//Documents", a directory at the root: use the user's real home.
        const QString home = homeFromUserDatabase();
        if (home.isEmpty()) {
            return {};
        }
        path = join(home, QStringLiteral("Documents"));
    }
    if (path.isEmpty()) {
        return {};
    }
    path = QDir::cleanPath(path);
    QDir().mkpath(path);
    return path;
}

QString FS::getTemporaryDir() const
{
    return QDir::cleanPath(QDir::tempPath());
}

QString FS::getSystemDir(int kind) const
{
    if (kind == DocumentDirectory) {
        return getDocumentDir();
    }
    // Every other location hangs off HOME; without it Qt would answer directories at the root.
    if (!homeIsSet()) {
        return {};
    }
    QStandardPaths::StandardLocation location;
    switch (kind) {
    case ApplicationDirectory:
        location = QStandardPaths::ApplicationsLocation;
        break;
    case LibraryDirectory:
        location = QStandardPaths::GenericDataLocation;
        break;
    case UserDirectory:
        location = QStandardPaths::HomeLocation;
        break;
    case DesktopDirectory:
        location = QStandardPaths::DesktopLocation;
        break;
    case CachesDirectory:
        location = QStandardPaths::GenericCacheLocation;
        break;
    case ApplicationSupportDirectory:
        location = QStandardPaths::AppDataLocation;
        break;
    case DownloadsDirectory:
        location = QStandardPaths::DownloadLocation;
        break;
    case MoviesDirectory:
        location = QStandardPaths::MoviesLocation;
        break;
    case MusicDirectory:
        location = QStandardPaths::MusicLocation;
        break;
    case PicturesDirectory:
        location = QStandardPaths::PicturesLocation;
        break;
    default:
        return {};
    }
    const QString path = QStandardPaths::writableLocation(location);
    return path.isEmpty() ? QString() : QDir::cleanPath(path);
}

bool FS::changeDir(const QString& path) const
{
    if (path.isEmpty() || path.contains(QChar(0))) {
        return false;
    }
    return QDir::setCurrent(path);
}

bool FS::changeToDocDir() const
{
    return changeDir(getDocumentDir());
}

bool FS::changeToTmpDir() const
{
    return changeDir(getTemporaryDir());
}

bool FS::changeToSystemDir(int kind) const
{
    return changeDir(getSystemDir(kind));
}

bool FS::makeDir(const QString& name) const
{
    const std::optional<QString> path = fullPath(name);
    if (!path) {
        return false;
    }
    return QDir().mkpath(*path);
}

// ---- Listing and lookup ----

QStringList FS::listDir(const QString& name) const
{
    if (!name.isEmpty() && isRefusedName(name)) {
        return {};
    }
    const QString current = currentDir();
    if (current.isEmpty()) {
        return {};
    }
    return sortedEntries(current + u'/' + name);
}

QStringList FS::listItemsWithExt(const QString& ext) const
{
    QStringList found;
    for (const QString& name : listDir(QString())) {
        if (extensionOf(name) == ext) {
            found.append(name);
        }
    }
    return found;
}

int FS::numItemsWithExt(const QString& ext) const
{
    const QString current = currentDir();
    if (current.isEmpty()) {
        return 0;
    }
    const QStringList names = files::directoryEntries(current);
    return int(std::count_if(names.cbegin(), names.cend(),
                             [&ext](const QString& name) { return endsInExtension(name, ext); }));
}

int FS::doesItemExist(const QString& name) const
{
    if (isRefusedName(name)) {
        return -1;
    }
    const SplitName split = splitName(name);
    if (split.last.isEmpty()) {
        return -1;
    }
    const QString current = currentDir();
    if (current.isEmpty()) {
        return -1;
    }
    return indexOfExact(files::directoryEntries(current + u'/' + split.dir), split.last);
}

int FS::doesDirExist(const QString& name) const
{
    return doesItemExist(name);
}

int FS::getItemIndexInCurrentDir(const QString& name) const
{
    const QString current = currentDir();
    if (current.isEmpty()) {
        return -1;
    }
    const QStringList entries = files::directoryEntries(current);
    const std::optional<QString> found = firstIgnoringCase(entries, name);
    return found ? positionInListing(entries, *found) : -1;
}

int FS::getIndexOfItemInDir(const QString& name, const QString& dir) const
{
    if (isRefusedName(name) || isRefusedName(dir)) {
        return -1;
    }
    if (!changeToDocDir() || !changeDir(dir)) {
        return -1;
    }
    return doesItemExist(name);
}

QString FS::getPathToItem(const QString& name) const
{
    return join(currentDir(), name);
}

QString FS::getPathToItemInDir(const QString& name, const QString& dir) const
{
    return join(join(currentDir(), dir), name);
}

// ---- Deleting ----

bool FS::deleteItem(const QString& name) const
{
    if (isRefusedName(name)) {
        return false;
    }
    const QString current = currentDir();
    if (current.isEmpty()) {
        return false;
    }
    // The exact name first, so that "README" never removes "readme" while "README" itself is there.
    const SplitName split = splitName(name);
    if (!split.last.isEmpty()) {
        const QString dirPath = split.dir.isEmpty() ? current : join(current, split.dir);
        if (files::directoryEntries(dirPath).contains(split.last)) {
            // Built from the listed name, not the caller's text: a trailing "/" on a link to a
            // directory would otherwise reach the directory it points to.
            return removePath(join(dirPath, split.last));
        }
    }
    const std::optional<QString> found = firstIgnoringCase(files::directoryEntries(current), name);
    return found && removePath(join(current, *found));
}

int FS::deleteAllItemsWithExt(const QString& ext) const
{
    const QString current = currentDir();
    if (current.isEmpty()) {
        return 0;
    }
    int removed = 0;
    for (const QString& name : sortedEntries(current)) {
        if (endsInExtension(name, ext) && removePath(join(current, name))) {
            ++removed;
        }
    }
    return removed;
}

bool FS::wipeCurrentDir() const
{
    const QString current = currentDir();
    if (current.isEmpty()) {
        return false;
    }
    for (const QString& name : sortedEntries(current)) {
        if (!removePath(join(current, name))) {
            return false;
        }
    }
    return true;
}

void FS::deleteAllItemsFromDir(const QString& dir) const
{
    if (isRefusedName(dir)) {
        return;
    }
    if (!changeToDocDir()) {
        return;
    }
    const QString documents = QDir::current().canonicalPath();
    // Entering dir must have worked and must lead somewhere else: otherwise this would empty the
    // documents directory itself.
    if (!changeDir(dir) || QDir::current().canonicalPath() == documents) {
        return;
    }
    const QString current = currentDir();
    if (current.isEmpty()) {
        return;
    }
    for (const QString& name : sortedEntries(current)) {
        removePath(join(current, name));
    }
}

// ---- Attributes ----

QString FS::getItemAttributeAttribType(const QString& name, int type) const
{
    const QString unknown = QStringLiteral("UNKNOWN_ATTRIB");
    const std::optional<QString> path = fullPath(name);
    struct stat st = {};
    if (!path || !lstatPath(*path, st)) {
        return unknown;
    }
    switch (type) {
    case 0:
        return describe(creationTime(*path, st));
    case 1:
        return describe(fromTimespec(st.st_mtim.tv_sec, st.st_mtim.tv_nsec));
    case 2:
        return QString::number(qint64(st.st_size));
    case 3:
        return typeName(st.st_mode);
    default:
        return unknown;
    }
}

bool FS::isItemFile(const QString& name) const
{
    return getItemAttributeAttribType(name, 3) == u"NSFileTypeRegular";
}

bool FS::isItemDir(const QString& name) const
{
    return getItemAttributeAttribType(name, 3) == u"NSFileTypeDirectory";
}

bool FS::isItemWritable(const QString& name) const
{
    const std::optional<QString> path = fullPath(name);
    return path && ::access(QFile::encodeName(*path).constData(), W_OK) == 0;
}

bool FS::isItemExecutable(const QString& name) const
{
    const std::optional<QString> path = fullPath(name);
    return path && ::access(QFile::encodeName(*path).constData(), X_OK) == 0;
}

bool FS::isItemDeletable(const QString& name) const
{
    const std::optional<QString> path = fullPath(name);
    struct stat item = {};
    if (!path || !lstatPath(*path, item)) {
        return false;
    }
    const SplitName split = splitName(*path);
    const QByteArray parent = QFile::encodeName(split.dir.isEmpty() ? QStringLiteral("/") : split.dir);
    struct stat dir = {};
    if (::stat(parent.constData(), &dir) != 0 || ::access(parent.constData(), W_OK | X_OK) != 0) {
        return false;
    }
    // In a sticky directory only the owner of the item or of the directory (or root) may remove it.
    const uid_t me = ::geteuid();
    if ((dir.st_mode & S_ISVTX) && me != 0 && item.st_uid != me && dir.st_uid != me) {
        return false;
    }
    return true;
}

qint64 FS::getItemSize(const QString& name) const
{
    const std::optional<QString> path = fullPath(name);
    struct stat st = {};
    if (!path || !lstatPath(*path, st)) {
        return 0;
    }
    return qint64(st.st_size);
}

bool FS::cmpItemWithItem(const QString& path1, const QString& path2) const
{
    if (path1.isEmpty() || path2.isEmpty() || path1.contains(QChar(0)) || path2.contains(QChar(0))) {
        return false;
    }
    return sameContents(QFile::encodeName(path1), QFile::encodeName(path2));
}

std::optional<QDateTime> FS::getModifiedDateOfItem(const QString& name) const
{
    const std::optional<QString> path = fullPath(name);
    struct stat st = {};
    if (!path || !lstatPath(*path, st)) {
        return std::nullopt;
    }
    return fromTimespec(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
}

void FS::setItemModificationDate(const QString& name, const QDateTime& date) const
{
    const std::optional<QString> path = fullPath(name);
    if (!path || !date.isValid()) {
        return;
    }
    const qint64 ms = date.toMSecsSinceEpoch();
    struct timespec times[2] = {};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = time_t(ms / 1000 - (ms % 1000 < 0 ? 1 : 0));
    times[1].tv_nsec = long(((ms % 1000) + 1000) % 1000) * 1000000L;
    ::utimensat(AT_FDCWD, QFile::encodeName(*path).constData(), times, AT_SYMLINK_NOFOLLOW);
}

void FS::setItemCreationDate(const QString& name, const QDateTime& date) const
{
    Q_UNUSED(name)
    Q_UNUSED(date)
}

qint64 FS::freeSpace() const
{
    const QString documents = getDocumentDir();
    if (documents.isEmpty()) {
        return 0;
    }
    const qint64 available = QStorageInfo(documents).bytesAvailable();
    return available > 0 ? available : 0;
}
