// Mounted volumes and the listing trace of the file-system service.

#include "FS.h"

#include "Files.h"
#include "ProcessLog.h"
#include "Trace.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#include <sys/stat.h>
#include <sys/statvfs.h>

namespace {

// The whole-disk directory in /sys of a block device path such as "/dev/sda1" or "/dev/nvme0n1p2";
// "" when the device is not a block device known there.
QString sysBlockDirOf(const QString& device)
{
    if (!device.startsWith(QLatin1String("/dev/"))) {
        return {};
    }
    const QString real = QFileInfo(device).canonicalFilePath();
    const QString name = QFileInfo(real.isEmpty() ? device : real).fileName();
    const QString entry = QFileInfo(QStringLiteral("/sys/class/block/") + name).canonicalFilePath();
    if (entry.isEmpty()) {
        return {};
    }
    // A partition's directory sits inside its disk's.
    return QFileInfo::exists(entry + QStringLiteral("/partition")) ? QFileInfo(entry).absolutePath() : entry;
}

bool isRemovableDevice(const QString& device)
{
    const QString dir = sysBlockDirOf(device);
    if (dir.isEmpty()) {
        return false;
    }
    const std::optional<QByteArray> flag = files::readBoundedFile(dir + QStringLiteral("/removable"), 16);
    return flag && flag->trimmed() == "1";
}

// A readable description: the disk's model when /sys knows it, else the device.
QString describeDevice(const QString& device)
{
    const QString dir = sysBlockDirOf(device);
    if (!dir.isEmpty()) {
        const std::optional<QByteArray> model = files::readBoundedFile(dir + QStringLiteral("/device/model"), 256);
        if (model && !model->trimmed().isEmpty()) {
            return QString::fromUtf8(model->trimmed());
        }
    }
    return device;
}

// Mounted from a block device somewhere other than "/": the user can unmount it.
bool isUnmountable(const QStorageInfo& storage)
{
    return storage.rootPath() != QLatin1String("/") &&
           QString::fromUtf8(storage.device()).startsWith(QLatin1String("/dev/"));
}

bool isLocalVolume(const QStorageInfo& storage)
{
    static const QByteArray remote[] = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "sshfs", "fuse.sshfs", "9p", "afs"};
    const QByteArray type = storage.fileSystemType();
    return std::none_of(std::begin(remote), std::end(remote), [&type](const QByteArray& r) { return type == r; });
}

} // namespace

// ---- Volumes ----

QVariantMap FS::getVolumeAttributes(const QString& ignored) const
{
    Q_UNUSED(ignored)
    struct statvfs vfs = {};
    struct stat st = {};
    if (::statvfs("/", &vfs) != 0 || ::stat("/", &st) != 0) {
        return {};
    }
    const auto fragment = qint64(vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize);
    return QVariantMap{
        {QStringLiteral("NSFileSystemSize"), qint64(vfs.f_blocks) * fragment},
        {QStringLiteral("NSFileSystemFreeSize"), qint64(vfs.f_bavail) * fragment},
        {QStringLiteral("NSFileSystemNodes"), qint64(vfs.f_files)},
        {QStringLiteral("NSFileSystemFreeNodes"), qint64(vfs.f_favail)},
        {QStringLiteral("NSFileSystemNumber"), qint64(st.st_dev)},
    };
}

QString FS::getVolumeName(const QString& path) const
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        return {};
    }
    const QStorageInfo storage(path);
    if (storage.isValid() && info.canonicalFilePath() == storage.rootPath()) {
        const QString name = storage.displayName();
        return name == QLatin1String("/") || name.isEmpty() ? QStringLiteral("/") : name;
    }
    return info.fileName();
}

qint64 FS::getVolumeSize(const QString& ignored) const
{
    Q_UNUSED(ignored)
    const qint64 available = QStorageInfo(QStringLiteral("/")).bytesAvailable();
    return available > 0 ? available : 0;
}

QString FS::getVolumeInfo(const QString& path) const
{
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        return {};
    }
    const QStorageInfo storage(path);
    if (!storage.isValid()) {
        return {};
    }
    const QString device = QString::fromUtf8(storage.device());
    return format(QStringLiteral("removable=%d writable=%d unmountable=%d description=%@ type=%@"),
                  int(isRemovableDevice(device)), int(!storage.isReadOnly()), int(isUnmountable(storage)),
                  describeDevice(device), QString::fromUtf8(storage.fileSystemType()));
}

void FS::debugVolumeInfo() const
{
    for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
        if (!storage.isValid() || !storage.isReady() || !isLocalVolume(storage)) {
            continue;
        }
        const QString device = QString::fromUtf8(storage.device());
        processLog(format(QStringLiteral("path=%@\nname=%@\nremovable=%d\nwritable=%d\nunmountable=%d\n"
                                         "description=%@\ntype=%@, size=%@\n\n"),
                          storage.rootPath(), getVolumeName(storage.rootPath()), int(isRemovableDevice(device)),
                          int(!storage.isReadOnly()), int(isUnmountable(storage)), describeDevice(device),
                          QString::fromUtf8(storage.fileSystemType()), storage.bytesTotal()));
    }
}

void FS::debugDir(const QString& dir) const
{
    changeToDocDir();
    const QStringList listing = listDir(dir);
    traceMessage(" ");
    traceMessage("Listing of Dir: %@", dir);
    traceMessage("%@", listing);
    traceMessage("%d files", int(listing.size()));
    traceMessage(" ");
}
