// Whole-file reads and writes of the file-system service: texts, property lists and keyed archives.

#include "FS.h"

#include "FSPaths.h"
#include "Files.h"
#include "KeyedArchive.h"
#include "Plist.h"
#include "Trace.h"

#include <QSet>

#include <limits>

using namespace fs_paths;

namespace {

// Reading is bounded so that a huge or hostile file cannot exhaust memory.
constexpr qint64 MaxPlistBytes = 16 * 1024 * 1024;

std::optional<QVariant> readPlist(const QString& name)
{
    const std::optional<QString> path = fullPath(name);
    if (!path) {
        return std::nullopt;
    }
    const std::optional<QByteArray> bytes = files::readBoundedFile(*path, MaxPlistBytes);
    if (!bytes || bytes->isEmpty()) {
        return std::nullopt;
    }
    return Plist::fromData(*bytes);
}

bool writePlist(const QString& name, const QVariant& value)
{
    const std::optional<QString> path = fullPath(name);
    if (!path) {
        return false;
    }
    const std::optional<QByteArray> bytes = Plist::toXml(value);
    return bytes && writeWholeFile(*path, *bytes);
}

std::optional<QVariantList> readArray(const QString& name)
{
    const std::optional<QVariant> value = readPlist(name);
    if (!value || value->typeId() != QMetaType::QVariantList) {
        return std::nullopt;
    }
    return value->toList();
}

} // namespace

bool FS::writeTxtToFileData(const QString& name, const QString& text) const
{
    const std::optional<QString> path = fullPath(name);
    if (!path || !files::isAscii(text)) {
        return false;
    }
    return writeWholeFile(*path, text.toLatin1());
}

std::optional<QString> FS::readTxtFromFile(const QString& name) const
{
    const std::optional<QString> path = fullPath(name);
    if (!path) {
        return std::nullopt;
    }
    return files::readTextFile(*path);
}

bool FS::writeDictionaryToFileData(const QString& name, const QVariantMap& dictionary) const
{
    return writePlist(name, dictionary);
}

std::optional<QVariantMap> FS::readDictionaryFromFile(const QString& name) const
{
    const std::optional<QVariant> value = readPlist(name);
    if (!value || value->typeId() != QMetaType::QVariantMap) {
        return std::nullopt;
    }
    return value->toMap();
}

bool FS::writeArrayToFileData(const QString& name, const QVariantList& array) const
{
    TRACE("pathFile:%@", getPathToItem(name));
    return writeNSArrayToFileData(name, array);
}

bool FS::writeNSArrayToFileData(const QString& name, const QVariantList& array) const
{
    return writePlist(name, array);
}

std::optional<QVariantList> FS::readArrayFromFile(const QString& name) const
{
    return readArray(name);
}

std::optional<QVariantList> FS::readMutableArrayFromFile(const QString& name) const
{
    return readArray(name);
}

bool FS::writeCustomClassToFileData(const QString& name, const QVariant& object) const
{
    bool ok = false;
    if (const std::optional<QString> path = fullPath(name)) {
        const std::optional<QByteArray> bytes = KeyedArchive::archivedData(object);
        ok = bytes && writeWholeFile(*path, *bytes);
    }
    TRACE("NOT WORKING: %d", ok ? 1 : 0);
    return ok;
}

std::optional<QVariant> FS::readCustomClassFromFile(const QString& name) const
{
    const std::optional<QString> path = fullPath(name);
    if (!path) {
        return std::nullopt;
    }
    const std::optional<QByteArray> bytes = files::readBoundedFile(*path, KeyedArchive::MaxArchiveSize);
    if (!bytes || bytes->isEmpty()) {
        return std::nullopt;
    }
    // The file is this process's own store: any registered class may come back.
    KeyedDecodeOptions options;
    options.allowAllRegistered = true;
    std::optional<QVariant> object = KeyedArchive::unarchivedObject(*bytes, QStringLiteral("root"), options);
    if (!object || object->isNull()) {
        return std::nullopt;
    }
    return object;
}

void FS::writeFileExtDataOverwrite(const QString& base, const QString& ext, const QString& text, bool overwrite) const
{
    if (overwrite) {
        writeTxtToFileData(format("%@.%@", base, ext), text);
        return;
    }
    if (isRefusedName(format("%@0.%@", base, ext))) {
        return;
    }
    // The counted names all live in one directory unless ext itself holds a "/": list each directory
    // once instead of once per try. A finite directory guarantees that some count is free.
    QString listedDir;
    QSet<QString> taken;
    bool listed = false;
    for (int n = 0; n < std::numeric_limits<int>::max(); ++n) {
        const QString candidate = format("%@%d.%@", base, n, ext);
        const SplitName split = splitName(candidate);
        if (!listed || split.dir != listedDir) {
            const QStringList names = listDir(split.dir);
            taken = QSet<QString>(names.cbegin(), names.cend());
            listedDir = split.dir;
            listed = true;
        }
        if (!split.last.isEmpty() && !taken.contains(split.last)) {
            writeTxtToFileData(candidate, text);
            return;
        }
    }
}
