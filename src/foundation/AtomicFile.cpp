#include "AtomicFile.h"

#include <QFileInfo>
#include <QSaveFile>

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
