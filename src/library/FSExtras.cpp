// Copying, moving and renaming with modes, and bulk renames.

#include "FS.h"

#include "FSPaths.h"
#include "Files.h"
#include "ProcessLog.h"
#include "Strings.h"
#include "Trace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace fs_paths;

namespace {

// renameItemRandomly gives up after this many taken names instead of looping for ever.
constexpr int MaxRandomNames = 1000000;

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

bool lstatBytes(const QByteArray& path, struct stat& st)
{
    return ::lstat(path.constData(), &st) == 0;
}

bool pathExists(const QString& path)
{
    struct stat st = {};
    return lstatBytes(encoded(path), st);
}

bool copyFileBytes(const QByteArray& from, const QByteArray& to, mode_t mode)
{
    const int in = ::open(from.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (in < 0) {
        return false;
    }
    // O_EXCL: a copy never replaces anything, not even a file that appeared since the check.
    const int out = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode & 07777);
    if (out < 0) {
        ::close(in);
        return false;
    }
    bool ok = true;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buffer + done, size_t(n - done));
            if (w < 0 && errno == EINTR) {
                continue;
            }
            if (w <= 0) {
                ok = false;
                break;
            }
            done += w;
        }
        if (!ok) {
            break;
        }
    }
    ::close(in);
    return ::close(out) == 0 && ok;
}

// Copies a file, a link (as a link) or a directory with its contents to a path that must not exist.
// Pipes, sockets and devices are not copied.
bool copyTreeBytes(const QByteArray& from, const QByteArray& to)
{
    struct stat st = {};
    if (!lstatBytes(from, st)) {
        return false;
    }
    if (S_ISREG(st.st_mode)) {
        return copyFileBytes(from, to, st.st_mode);
    }
    if (S_ISLNK(st.st_mode)) {
        QByteArray target(qsizetype(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = ::readlink(from.constData(), target.data(), size_t(target.size()));
        if (n < 0 || n >= target.size()) {
            return false;
        }
        target.truncate(n);
        return ::symlink(target.constData(), to.constData()) == 0;
    }
    if (!S_ISDIR(st.st_mode) || ::mkdir(to.constData(), (st.st_mode & 07777) | S_IRWXU) != 0) {
        return false;
    }
    for (const QByteArray& child : files::directoryEntryBytes(from)) {
        if (!copyTreeBytes(from + '/' + child, to + '/' + child)) {
            return false;
        }
    }
    ::chmod(to.constData(), st.st_mode & 07777);
    return true;
}

QString canonicalParent(const QString& path)
{
    return QFileInfo(QFileInfo(path).absolutePath()).canonicalFilePath();
}

// Whether target lies inside the directory source (copying or moving a directory into itself).
bool isInside(const QString& source, const QString& target)
{
    const QString from = QFileInfo(source).canonicalFilePath();
    const QString parent = canonicalParent(target);
    if (from.isEmpty() || parent.isEmpty()) {
        return false;
    }
    const QString to = join(parent, QFileInfo(target).fileName());
    return to == from || to.startsWith(from + u'/');
}

} // namespace

// The whole copy or nothing: a copy that fails halfway is removed again.
bool fs_paths::copyItemPath(const QString& source, const QString& target)
{
    if (!pathExists(source) || pathExists(target) || isInside(source, target)) {
        return false;
    }
    if (copyTreeBytes(encoded(source), encoded(target))) {
        return true;
    }
    removeTree(encoded(target));
    return false;
}

bool fs_paths::isRefusedItem(const QString& name)
{
    return isRefusedName(name) || splitName(name).last.isEmpty() || splitName(name).last == QLatin1String(".");
}

namespace {

// Renames in one step when both lie on one file system; otherwise copies and removes the source.
bool movePath(const QString& source, const QString& target)
{
    if (::rename(encoded(source).constData(), encoded(target).constData()) == 0) {
        return true;
    }
    if (errno != EXDEV || pathExists(target)) {
        return false;
    }
    if (!copyItemPath(source, target)) {
        return false;
    }
    removeTree(encoded(source));
    return true;
}

// The item a replacing move takes the place of, found as deleteItem() finds it: target itself, else
// the first entry of its directory equal to its name ignoring case; "" when there is none (or when
// that entry is the source itself, which a move only renames).
QString itemToReplace(const QString& source, const QString& target)
{
    if (pathExists(target)) {
        return target;
    }
    const QFileInfo info(target);
    const QString wanted = info.fileName().toLower();
    for (const QString& entry : sortedEntries(info.absolutePath())) {
        if (entry.toLower() == wanted) {
            const QString found = join(info.absolutePath(), entry);
            return QFileInfo(found).canonicalFilePath() == QFileInfo(source).canonicalFilePath() ? QString() : found;
        }
    }
    return {};
}

// Moves source to target in place of the item replaced without ever losing it: that item is put
// aside first and comes back when the move fails.
bool moveReplacing(const QString& source, const QString& target, const QString& replaced)
{
    if (replaced.isEmpty()) {
        return movePath(source, target);
    }
    QString aside;
    for (int i = 0; i < 1000 && (aside.isEmpty() || pathExists(aside)); ++i) {
        aside = join(QFileInfo(replaced).absolutePath(),
                     QStringLiteral(".%1.replaced-%2").arg(QFileInfo(replaced).fileName()).arg(i));
    }
    if (pathExists(aside) || ::rename(encoded(replaced).constData(), encoded(aside).constData()) != 0) {
        return false;
    }
    if (movePath(source, target)) {
        removeTree(encoded(aside));
        return true;
    }
    ::rename(encoded(aside).constData(), encoded(replaced).constData());
    return false;
}

bool hasCapitalAZ(const QString& name)
{
    return std::any_of(name.cbegin(), name.cend(), [](QChar c) { return c >= u'A' && c <= u'Z'; });
}

// Mode 1 lower case, 2 upper case, 3 capitalised words; the string service does the case changes.
QString inCase(const QString& name, int mode)
{
    Strings* strings = Strings::sharedEngineInstance();
    switch (mode) {
    case 1:
        return strings->changeCaseMode(name, 0);
    case 2:
        return strings->changeCaseMode(name, 1);
    case 3:
        return strings->tidyAndCapitalize(name);
    default:
        return name;
    }
}

// The reference text split at the first separator that yields more (or fewer) than one name.
QStringList splitReference(const QString& text)
{
    static const QString separators[] = {QStringLiteral("\r"), QStringLiteral("\n"), QStringLiteral("\t"),
                                         QStringLiteral(","),  QStringLiteral(":"),  QStringLiteral(";")};
    for (const QString& separator : separators) {
        const QStringList pieces = text.split(separator);
        const auto nonEmpty =
            std::count_if(pieces.cbegin(), pieces.cend(), [](const QString& p) { return !p.isEmpty(); });
        if (nonEmpty != 1) {
            return pieces;
        }
    }
    return text.split(u'.');
}

int countNonEmpty(const QStringList& pieces)
{
    return int(std::count_if(pieces.cbegin(), pieces.cend(), [](const QString& p) { return !p.isEmpty(); }));
}

// Enters dir relative to the current directory ("" stays); false, with nothing changed, when it
// cannot be entered.
bool enterDir(const QString& dir)
{
    if (dir.isEmpty()) {
        return !currentDir().isEmpty();
    }
    if (isRefusedName(dir)) {
        return false;
    }
    return QDir::setCurrent(dir);
}

// Restores the current directory when it goes out of scope.
class CurrentDirGuard
{
public:
    CurrentDirGuard() : m_saved(currentDir()) {}
    ~CurrentDirGuard()
    {
        if (!m_saved.isEmpty()) {
            QDir::setCurrent(m_saved);
        }
    }
    CurrentDirGuard(const CurrentDirGuard&) = delete;
    CurrentDirGuard& operator=(const CurrentDirGuard&) = delete;

private:
    QString m_saved;
};

} // namespace

// ---- Copying ----

bool FS::cpyItemInDirToItemInDir(const QString& name, const QString& dir, const QString& newName,
                                 const QString& newDir) const
{
    if (isRefusedItem(name) || isRefusedItem(newName) || (!dir.isEmpty() && isRefusedName(dir)) ||
        (!newDir.isEmpty() && isRefusedName(newDir))) {
        return false;
    }
    const QString current = currentDir();
    if (current.isEmpty()) {
        return false;
    }
    return copyItemPath(join(join(current, dir), name), join(join(current, newDir), newName));
}

bool FS::cpyItemToItem(const QString& name, const QString& newName) const
{
    if (name == newName) {
        return false;
    }
    return cpyItemInDirToItemInDir(name, QString(), newName, QString());
}

bool FS::cpyItemToDir(const QString& name, const QString& dir) const
{
    if (dir.isEmpty()) {
        return false;
    }
    return cpyItemInDirToItemInDir(name, QString(), name, dir);
}

bool FS::cpyItemsToDir(const QStringList& names, const QString& dir) const
{
    if (dir.isEmpty()) {
        return false;
    }
    for (const QString& name : names) {
        if (!cpyItemToDir(name, dir)) {
            return false;
        }
    }
    return true;
}

bool FS::dupDirToDir(const QString& dir, const QString& newDir) const
{
    if (dir.isEmpty() || newDir.isEmpty() || isRefusedName(dir) || isRefusedName(newDir)) {
        return false;
    }
    CurrentDirGuard guard;
    const QString start = currentDir();
    const QString source = QFileInfo(join(start, dir)).canonicalFilePath();
    if (source.isEmpty() || !QFileInfo(source).isDir() || !makeDir(newDir)) {
        return false;
    }
    const QString target = QFileInfo(join(start, newDir)).canonicalFilePath();
    // Emptying newDir must never empty the directory being copied, nor the one we stand in.
    if (target.isEmpty() || target == source || target == QDir(start).canonicalPath() ||
        source.startsWith(target + u'/') || target.startsWith(source + u'/')) {
        return false;
    }
    if (!QDir::setCurrent(target) || !wipeCurrentDir()) {
        return false;
    }
    bool ok = true;
    for (const QString& entry : sortedEntries(source)) {
        ok = copyItemPath(join(source, entry), join(target, entry));
        if (!ok) {
            break;
        }
    }
    return ok;
}

// ---- Moving and renaming ----

bool FS::moveItemInDirToItemInDirMode(const QString& name, const QString& dir, const QString& newName,
                                      const QString& newDir, int mode) const
{
    if (isRefusedItem(name) || isRefusedItem(newName) || (!dir.isEmpty() && isRefusedName(dir)) ||
        (!newDir.isEmpty() && isRefusedName(newDir))) {
        return false;
    }
    if (!changeToDocDir()) {
        return false;
    }
    const QString documents = currentDir();
    const QString source = join(join(documents, dir), name);
    const QString target = join(join(documents, newDir), newName);
    // Without a source nothing may be deleted, and the target directory must be where it is said to be:
    // otherwise mode 0 would delete a same-named item in the documents directory.
    if (!pathExists(source) || !QFileInfo(join(documents, newDir)).isDir()) {
        return false;
    }
    const QFileInfo sourceInfo(source);
    const QFileInfo targetInfo(target);
    if (targetInfo.exists() && sourceInfo.canonicalFilePath() == targetInfo.canonicalFilePath()) {
        return false;
    }
    if (isInside(source, target)) {
        return false;
    }
    const bool targetExists = pathExists(target);
    bool moved = false;
    switch (mode) {
    case 0:
        moved = moveReplacing(source, target, itemToReplace(source, target));
        break;
    case 2:
        if (targetExists) {
            removeTree(encoded(source));
            return false;
        }
        moved = movePath(source, target);
        break;
    default:
        moved = !targetExists && movePath(source, target);
        break;
    }
    changeDir(documents);
    return moved;
}

bool FS::moveItemToDirMode(const QString& name, const QString& dir, int mode) const
{
    if (dir.isEmpty()) {
        return false;
    }
    return moveItemInDirToItemInDirMode(name, QString(), name, dir, mode);
}

bool FS::moveItemsToDirMode(const QStringList& names, const QString& dir, int mode) const
{
    if (dir.isEmpty()) {
        return false;
    }
    for (const QString& name : names) {
        if (!moveItemToDirMode(name, dir, mode)) {
            return false;
        }
    }
    return true;
}

int FS::moveAllImgsToDirMode(const QString& dir, int mode) const
{
    if (!changeToDocDir()) {
        return 0;
    }
    // The answer counts the images found even when dir cannot be made: the moves then fail and the
    // images stay where they are.
    if (!dir.isEmpty() && !isRefusedName(dir) && doesItemExist(dir) < 0) {
        makeDir(dir);
    }
    const bool canMove = !dir.isEmpty() && !isRefusedName(dir) && isItemDir(dir);
    const QStringList listing = listDir(QString());
    static const char* const endings[] = {".png", ".jpg", ".PNG", ".JPG"};
    QList<QStringList> groups;
    for (const char* ending : endings) {
        QStringList group;
        for (const QString& name : listing) {
            if (name.endsWith(QLatin1String(ending))) {
                group.append(name);
            }
        }
        groups.append(group);
    }
    traceMessage("list: %@", listing);
    const auto traceCounts = [&groups] {
        traceMessage("got here sucessfully: %d  %d  %d  %d", int(groups[0].size()), int(groups[1].size()),
                     int(groups[2].size()), int(groups[3].size()));
    };
    traceCounts();
    int total = 0;
    for (const QStringList& group : groups) {
        if (canMove && !group.isEmpty()) {
            moveItemsToDirMode(group, dir, mode);
        }
        total += int(group.size());
    }
    traceCounts();
    return total;
}

bool FS::renameItemToItem(const QString& name, const QString& newName) const
{
    if (name == newName || isRefusedItem(name) || isRefusedItem(newName)) {
        return false;
    }
    const QString current = currentDir();
    if (current.isEmpty()) {
        return false;
    }
    const QString source = join(current, name);
    const QString target = join(current, newName);
    // On a case-insensitive file system "a" and "A" are one item: renaming is then allowed.
    const bool sameItem = QFileInfo(source).canonicalFilePath() == QFileInfo(target).canonicalFilePath();
    if (!pathExists(source) || (pathExists(target) && !sameItem) || isInside(source, target)) {
        return false;
    }
    return movePath(source, target);
}

void FS::renameItemRandomly(const QString& name) const
{
    if (isRefusedItem(name)) {
        return;
    }
    Strings* strings = Strings::sharedEngineInstance();
    const QString base = strings->removeExtFromStr(name);
    const QString ext = strings->getExtFromStr(name);
    for (int counter = 0; counter < MaxRandomNames; ++counter) {
        const QString candidate = (ext.isEmpty() ? QStringLiteral("%1%2").arg(base).arg(counter)
                                                 : QStringLiteral("%1%2.%3").arg(base).arg(counter).arg(ext))
                                      .toLower();
        if (doesItemExist(candidate) < 0) {
            renameItemToItem(name, candidate);
            return;
        }
    }
}

void FS::renameItemsInDirToCase(const QString& dir, int mode) const
{
    CurrentDirGuard guard;
    // The names are renamed where they are listed; a dir that cannot be entered changes nothing.
    if (!enterDir(dir)) {
        return;
    }
    for (const QString& name : listDir(QString())) {
        if (getItemAttributeAttribType(name, 3) == QLatin1String("NSFileTypeDirectory")) {
            continue;
        }
        renameItemToItem(name, inCase(name, mode));
        if (hasCapitalAZ(name) && doesItemExist(name) >= 0) {
            renameItemRandomly(name);
        }
    }
}

int FS::renameItemsInDirWithExtToReference(const QString& dir, const QString& ext, const QString& reference) const
{
    if (doesItemExist(reference) < 0) {
        return -2;
    }
    const std::optional<QString> text = readTxtFromFile(reference);
    if (!text) {
        return -2;
    }
    const QString referencePath = QFileInfo(getPathToItem(reference)).canonicalFilePath();
    const QStringList pieces = splitReference(*text);
    const int nameCount = countNonEmpty(pieces);

    CurrentDirGuard guard;
    if (!enterDir(dir)) {
        return 0;
    }
    const int fileCount = numItemsWithExt(ext);
    traceMessage("ary: %@", pieces);
    traceMessage("fc:%d fa:%d", fileCount, nameCount);
    if (fileCount > nameCount) {
        return -1;
    }
    Strings* strings = Strings::sharedEngineInstance();
    int renames = 0;
    int candidates = 0;
    for (const QString& name : listDir(QString())) {
        if (renames >= nameCount) {
            return -1;
        }
        if (QFileInfo(getPathToItem(name)).canonicalFilePath() == referencePath || isItemDir(name) ||
            !name.contains(u'.')) {
            continue;
        }
        ++candidates;
        if (name.section(u'.', -1) != ext) {
            continue;
        }
        // The piece is taken as it stands (an empty one gives ".ext"); only a piece that would lead the
        // file into another directory leaves it where it is.
        const QString base = strings->removePunctuationFromEnd(pieces.value(renames));
        ++renames;
        const QString newName = base + u'.' + ext;
        if (base.contains(u'/') || isRefusedName(newName)) {
            continue;
        }
        renameItemToItem(name, newName);
    }
    return candidates;
}
