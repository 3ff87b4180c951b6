#include "AtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    const QFileInfo target(path);
    if (!QFileInfo(target.absolutePath()).isDir() || target.isDir()) {
        return false;
    }
    QSaveFile file(path);
    // Never fall back to writing in place: a failed write must leave the old file as it was.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool appendToFile(const QString& path, const QByteArray& bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    ssize_t written;
    do {
        written = ::write(fd, bytes.constData(), size_t(bytes.size()));
    } while (written < 0 && errno == EINTR);
    ::close(fd);
    return written == bytes.size();
}

bool appendDurably(const QString& path, const QByteArray& bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    struct stat before = {};
    const bool sized = ::fstat(fd, &before) == 0;
    ssize_t written;
    do {
        written = ::write(fd, bytes.constData(), size_t(bytes.size()));
    } while (written < 0 && errno == EINTR);
    bool ok = written == bytes.size();
    if (!ok && written > 0 && sized) {
        // A record cut short would glue itself to the next one: take it back off.
        (void)!::ftruncate(fd, before.st_size);
    }
    ok = ok && ::fdatasync(fd) == 0;
    ::close(fd);
    return ok;
}
