#include "KeyedArchiver.h"

#include "KeyedArchive.h"
#include "KeyedArchiveRegistry.h"
#include "Plist.h"
#include "PlistValue.h"

#include <QDateTime>
#include <QHash>

#include <plist/plist.h>

#include <cstdlib>
#include <cstring>
#include <vector>

// The archive is built as libplist nodes rather than QVariants because its dictionaries keep the
// order in which the keys were encoded ($version, $archiver, $top, $objects; an object's fields,
// then $class), as the platform's archiver lays them out.

namespace {

using PlistValue::ValueKind;

// Deepest object nesting the archiver follows; deeper graphs fail instead of exhausting the stack.
constexpr int MaxEncodeDepth = 512;

plist_t newString(const QString& s)
{
    return plist_new_string(s.toUtf8().constData());
}

bool encodableText(const QString& s)
{
    return !PlistValue::hasUnpairedSurrogate(s) && !s.contains(QChar(0));
}

} // namespace

struct KeyedArchiver::Private
{
    plist_t objects = nullptr;    // $objects
    plist_t top = nullptr;        // $top
    std::vector<plist_t> current; // the dictionary that encode calls write into
    QHash<QString, quint64> classUids;
    QHash<QString, quint64> stringUids;
    QHash<QByteArray, quint64> scalarUids;
    int depth = 0;
    bool failed = false;
    bool finished = false;

    quint64 append(plist_t node)
    {
        plist_array_append_item(objects, node);
        return plist_array_get_size(objects) - 1;
    }

    // The UID of the class entry {$classname, $classes}, appended when first used.
    quint64 classUid(const QString& name, const QStringList& classes)
    {
        const auto it = classUids.constFind(name);
        if (it != classUids.cend()) {
            return *it;
        }
        plist_t entry = plist_new_dict();
        plist_dict_set_item(entry, "$classname", newString(name));
        plist_t list = plist_new_array();
        for (const QString& c : classes) {
            plist_array_append_item(list, newString(c));
        }
        plist_dict_set_item(entry, "$classes", list);
        const quint64 uid = append(entry);
        classUids.insert(name, uid);
        return uid;
    }

    quint64 plainClassUid(const char* name, const char* parent = nullptr)
    {
        QStringList classes{QString::fromLatin1(name)};
        if (parent) {
            classes.append(QString::fromLatin1(parent));
        }
        classes.append(QStringLiteral("NSObject"));
        return classUid(classes.first(), classes);
    }

    // Appends a finished object dictionary, then gives it its class (whose entry, when new, follows
    // the object).
    template <typename ClassUid> quint64 appendObject(plist_t dict, ClassUid classUid)
    {
        const quint64 uid = append(dict);
        plist_dict_set_item(dict, "$class", plist_new_uid(classUid()));
        return uid;
    }

    // Strings, numbers and booleans are stored once each, inline.
    quint64 scalar(const QByteArray& identity, plist_t node)
    {
        const auto it = scalarUids.constFind(identity);
        if (it != scalarUids.cend()) {
            plist_free(node);
            return *it;
        }
        const quint64 uid = append(node);
        scalarUids.insert(identity, uid);
        return uid;
    }

    std::optional<quint64> encode(const QVariant& value, KeyedArchiver& coder);
    std::optional<quint64> encodeArray(const QVariantList& list, bool isMutable, KeyedArchiver& coder);
    std::optional<quint64> encodeDict(const QVariant& value, bool isMutable, KeyedArchiver& coder);
    std::optional<quint64> encodeCustom(const QVariant& value, const KeyedArchiveRegistry::Entry& entry,
                                        KeyedArchiver& coder);
};

std::optional<quint64> KeyedArchiver::Private::encode(const QVariant& value, KeyedArchiver& coder)
{
    if (!value.isValid()) {
        return 0; // "$null"
    }
    if (depth >= MaxEncodeDepth) {
        return std::nullopt;
    }
    if (value.metaType() == QMetaType::fromType<KeyedArchive::Mutable>()) {
        const QVariant inner = value.value<KeyedArchive::Mutable>().value;
        switch (PlistValue::kindOf(inner)) {
        case ValueKind::Array:
            return encodeArray(PlistValue::arrayOf(inner), true, coder);
        case ValueKind::Dict:
            return encodeDict(inner, true, coder);
        default:
            return encode(inner, coder);
        }
    }
    switch (PlistValue::kindOf(value)) {
    case ValueKind::String: {
        const QString s = value.toString();
        if (!encodableText(s)) {
            return std::nullopt;
        }
        const auto it = stringUids.constFind(s);
        if (it != stringUids.cend()) {
            return *it;
        }
        const quint64 uid = append(newString(s));
        stringUids.insert(s, uid);
        return uid;
    }
    case ValueKind::Integer: {
        const auto i = PlistValue::integerOf(value);
        if (!i) {
            return std::nullopt;
        }
        return scalar("i" + QByteArray::number(*i), plist_new_uint(quint64(*i)));
    }
    case ValueKind::Real: {
        const double d = value.toDouble();
        quint64 bits;
        std::memcpy(&bits, &d, sizeof bits);
        return scalar("r" + QByteArray::number(bits), plist_new_real(d));
    }
    case ValueKind::Bool:
        return scalar(value.toBool() ? "b1" : "b0", plist_new_bool(value.toBool() ? 1 : 0));
    case ValueKind::Data: {
        const QByteArray data = value.toByteArray();
        return append(plist_new_data(data.constData(), quint64(data.size())));
    }
    case ValueKind::Date: {
        const QDateTime date = value.toDateTime();
        if (!date.isValid()) {
            return std::nullopt;
        }
        plist_t dict = plist_new_dict();
        const double seconds =
            (double(date.toMSecsSinceEpoch()) - double(PlistValue::ReferenceEpochOffset) * 1000.0) / 1000.0;
        plist_dict_set_item(dict, "NS.time", plist_new_real(seconds));
        return appendObject(dict, [this] { return plainClassUid("NSDate"); });
    }
    case ValueKind::Array:
        return encodeArray(PlistValue::arrayOf(value), false, coder);
    case ValueKind::Dict:
        return encodeDict(value, false, coder);
    case ValueKind::Uid:
    case ValueKind::Invalid:
        break;
    }
    if (const auto entry = KeyedArchiveRegistry::entryForType(value.metaType())) {
        return encodeCustom(value, *entry, coder);
    }
    return std::nullopt;
}

std::optional<quint64> KeyedArchiver::Private::encodeArray(const QVariantList& list, bool isMutable,
                                                           KeyedArchiver& coder)
{
    ++depth;
    std::vector<quint64> uids;
    uids.reserve(size_t(list.size()));
    for (const QVariant& item : list) {
        const auto uid = encode(item, coder);
        if (!uid) {
            --depth;
            return std::nullopt;
        }
        uids.push_back(*uid);
    }
    --depth;
    plist_t dict = plist_new_dict();
    plist_t refs = plist_new_array();
    for (quint64 uid : uids) {
        plist_array_append_item(refs, plist_new_uid(uid));
    }
    plist_dict_set_item(dict, "NS.objects", refs);
    return appendObject(dict, [this, isMutable] {
        return isMutable ? plainClassUid("NSMutableArray", "NSArray") : plainClassUid("NSArray");
    });
}

std::optional<quint64> KeyedArchiver::Private::encodeDict(const QVariant& value, bool isMutable, KeyedArchiver& coder)
{
    // All keys first, then all values, as the platform's archiver does.
    QVariantMap map;
    if (value.metaType().id() == QMetaType::QVariantHash) {
        const QVariantHash hash = value.toHash();
        for (auto it = hash.cbegin(); it != hash.cend(); ++it) {
            map.insert(it.key(), it.value());
        }
    } else {
        map = value.toMap();
    }
    ++depth;
    std::vector<quint64> keys;
    std::vector<quint64> values;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const auto uid = encode(it.key(), coder);
        if (!uid) {
            --depth;
            return std::nullopt;
        }
        keys.push_back(*uid);
    }
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const auto uid = encode(it.value(), coder);
        if (!uid) {
            --depth;
            return std::nullopt;
        }
        values.push_back(*uid);
    }
    --depth;
    plist_t dict = plist_new_dict();
    plist_t keyRefs = plist_new_array();
    plist_t valueRefs = plist_new_array();
    for (size_t i = 0; i < keys.size(); ++i) {
        plist_array_append_item(keyRefs, plist_new_uid(keys[i]));
        plist_array_append_item(valueRefs, plist_new_uid(values[i]));
    }
    plist_dict_set_item(dict, "NS.keys", keyRefs);
    plist_dict_set_item(dict, "NS.objects", valueRefs);
    return appendObject(dict, [this, isMutable] {
        return isMutable ? plainClassUid("NSMutableDictionary", "NSDictionary") : plainClassUid("NSDictionary");
    });
}

std::optional<quint64> KeyedArchiver::Private::encodeCustom(const QVariant& value,
                                                            const KeyedArchiveRegistry::Entry& entry,
                                                            KeyedArchiver& coder)
{
    // The object takes its place before its fields, which then follow it in $objects.
    const quint64 uid = append(plist_new_string("$placeholder"));
    plist_t dict = plist_new_dict();
    current.push_back(dict);
    ++depth;
    entry.encode(value, coder);
    --depth;
    current.pop_back();
    plist_dict_set_item(dict, "$class", plist_new_uid(classUid(entry.className, entry.classes)));
    plist_array_set_item(objects, dict, uint32_t(uid));
    return uid;
}

KeyedArchiver::KeyedArchiver() : d(std::make_unique<Private>())
{
    d->objects = plist_new_array();
    plist_array_append_item(d->objects, plist_new_string("$null"));
    d->top = plist_new_dict();
    d->current.push_back(d->top);
}

KeyedArchiver::~KeyedArchiver()
{
    if (!d->finished) {
        plist_free(d->objects);
        plist_free(d->top);
    }
}

void KeyedArchiver::encodeObject(const QVariant& object, const QString& key)
{
    if (d->finished || d->failed || !encodableText(key)) {
        d->failed = true;
        return;
    }
    const auto uid = d->encode(object, *this);
    if (!uid) {
        d->failed = true;
        return;
    }
    plist_dict_set_item(d->current.back(), key.toUtf8().constData(), plist_new_uid(*uid));
}

void KeyedArchiver::encodeInt(qint64 value, const QString& key)
{
    if (d->finished || d->failed || !encodableText(key)) {
        d->failed = true;
        return;
    }
    plist_dict_set_item(d->current.back(), key.toUtf8().constData(), plist_new_uint(quint64(value)));
}

void KeyedArchiver::encodeDouble(double value, const QString& key)
{
    if (d->finished || d->failed || !encodableText(key)) {
        d->failed = true;
        return;
    }
    plist_dict_set_item(d->current.back(), key.toUtf8().constData(), plist_new_real(value));
}

void KeyedArchiver::encodeBool(bool value, const QString& key)
{
    if (d->finished || d->failed || !encodableText(key)) {
        d->failed = true;
        return;
    }
    plist_dict_set_item(d->current.back(), key.toUtf8().constData(), plist_new_bool(value ? 1 : 0));
}

bool KeyedArchiver::hasFailed() const
{
    return d->failed;
}

std::optional<QByteArray> KeyedArchiver::finishEncoding()
{
    if (d->finished || d->failed) {
        d->failed = true;
        return std::nullopt;
    }
    d->finished = true;
    plist_t root = plist_new_dict();
    plist_dict_set_item(root, "$version", plist_new_uint(100000));
    plist_dict_set_item(root, "$archiver", plist_new_string("NSKeyedArchiver"));
    plist_dict_set_item(root, "$top", d->top);
    plist_dict_set_item(root, "$objects", d->objects);
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &bytes, &length);
    plist_free(root);
    if (!bytes) {
        d->failed = true;
        return std::nullopt;
    }
    QByteArray out(bytes, qsizetype(length));
    std::free(bytes);
    return out;
}
