#include "KeyedArchive.h"

#include "AtomicFile.h"
#include "Files.h"
#include "KeyedArchiveRegistry.h"

#include <QHash>

#include <mutex>

namespace {

struct Registry
{
    std::mutex lock;
    QHash<QString, KeyedArchiveRegistry::Entry> byName;
    QHash<int, QString> nameByType;
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

} // namespace

namespace KeyedArchiveRegistry {

std::optional<Entry> entryForName(const QString& className)
{
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    const auto it = r.byName.constFind(className);
    if (it == r.byName.cend()) {
        return std::nullopt;
    }
    return *it;
}

std::optional<Entry> entryForType(QMetaType type)
{
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    const auto name = r.nameByType.constFind(type.id());
    if (name == r.nameByType.cend()) {
        return std::nullopt;
    }
    return r.byName.value(*name);
}

} // namespace KeyedArchiveRegistry

namespace KeyedArchive {

bool registerClass(const QString& className, QMetaType type, EncodeFunction encode, DecodeFunction decode,
                   const QStringList& superclasses)
{
    if (className.isEmpty() || !type.isValid() || !encode || !decode) {
        return false;
    }
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    const auto existing = r.byName.constFind(className);
    if (existing != r.byName.cend() && existing->type != type) {
        return false;
    }
    const auto existingName = r.nameByType.constFind(type.id());
    if (existingName != r.nameByType.cend() && *existingName != className) {
        return false;
    }
    r.byName.insert(className, KeyedArchiveRegistry::Entry{className, type, std::move(encode), std::move(decode),
                                                           QStringList{className} + superclasses});
    r.nameByType.insert(type.id(), className);
    return true;
}

bool isRegistered(const QString& className)
{
    return KeyedArchiveRegistry::entryForName(className).has_value();
}

std::optional<QByteArray> archivedData(const QVariant& object, const QString& key, qsizetype headroom)
{
    KeyedArchiver archiver;
    archiver.encodeObject(object, key);
    return archiver.finishEncoding(headroom);
}

std::optional<QVariant> unarchivedObject(const QByteArray& data, const QString& key, const KeyedDecodeOptions& options)
{
    KeyedUnarchiver unarchiver(data, options);
    std::optional<QVariant> object = unarchiver.decodeObject(key);
    if (unarchiver.hasFailed()) {
        return std::nullopt;
    }
    return object;
}

bool writeFile(const QString& path, const QVariant& object, const QString& key)
{
    const auto bytes = archivedData(object, key);
    if (!bytes) {
        return false;
    }
    return writeFileAtomically(path, *bytes);
}

std::optional<QVariant> readFile(const QString& path, const QString& key, const KeyedDecodeOptions& options)
{
    const std::optional<QByteArray> bytes = files::readBoundedFile(path, MaxArchiveSize);
    if (!bytes) {
        return std::nullopt;
    }
    return unarchivedObject(*bytes, key, options);
}

} // namespace KeyedArchive
