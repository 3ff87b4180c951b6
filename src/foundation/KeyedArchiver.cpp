#include "KeyedArchiver.h"

#include "KeyedArchive.h"
#include "KeyedArchiveRegistry.h"
#include "Plist.h"
#include "PlistBinaryWriter.h"
#include "PlistValue.h"

#include <QDateTime>
#include <QHash>
#include <QVarLengthArray>

#include <algorithm>
#include <vector>

// The archive is written straight into a binary property-list writer rather than built as QVariants,
// because its dictionaries keep the order in which the keys were encoded ($version, $archiver, $top,
// $objects; an object's fields, then $class), as the platform's archiver lays them out.

namespace {

using PlistValue::ValueKind;
using Ref = PlistBinaryWriter::Ref;
using namespace Qt::StringLiterals;

// Deepest object nesting the archiver follows; deeper graphs fail instead of exhausting the stack.
constexpr int MaxEncodeDepth = 512;

bool encodableText(const QString& s)
{
    return !PlistValue::hasUnpairedSurrogate(s) && !s.contains(QChar(0));
}

// A dictionary being filled in key order; encoding a key again replaces its value in place. Objects
// have a handful of fields, so keys are searched in place until there are many.
struct OrderedDict
{
    static constexpr qsizetype IndexFrom = 16;
    QVarLengthArray<Ref, 8> keys;
    QVarLengthArray<Ref, 8> values;
    QHash<Ref, qsizetype> index; // filled once there are IndexFrom keys

    void set(Ref key, Ref value)
    {
        if (keys.size() < IndexFrom) {
            if (const auto it = std::find(keys.begin(), keys.end(), key); it != keys.end()) {
                values[it - keys.begin()] = value;
                return;
            }
        } else if (const auto it = index.constFind(key); it != index.cend()) {
            values[*it] = value;
            return;
        }
        keys.push_back(key);
        values.push_back(value);
        if (keys.size() == IndexFrom) {
            for (qsizetype i = 0; i < keys.size(); ++i) {
                index.insert(keys[i], i);
            }
        } else if (keys.size() > IndexFrom) {
            index.insert(key, keys.size() - 1);
        }
    }
};

} // namespace

struct KeyedArchiver::Private
{
    PlistBinaryWriter writer;
    std::vector<Ref> objects;         // $objects, as written objects; index = archive UID
    std::vector<OrderedDict> current; // the dictionaries that encode calls write into; [0] is $top
    // The UID of each class entry by class name: an archive uses a few classes.
    std::vector<std::pair<QString, quint64>> classUids;
    // The archive UID of each string, number and boolean by its writer reference (the writer stores
    // equal values once); NoUid where the value is not in $objects yet.
    static constexpr quint64 NoUid = ~quint64(0);
    std::vector<quint64> uidOfRef;
    int depth = 0;
    bool failed = false;
    bool finished = false;

    quint64 append(Ref object)
    {
        objects.push_back(object);
        return objects.size() - 1;
    }

    // A fixed key or class name: taken from the literal as it stands, without a copy per archive.
    template <size_t N> Ref string(const char16_t (&text)[N])
    {
        return writer.addString(QString::fromRawData(reinterpret_cast<const QChar*>(text), qsizetype(N) - 1));
    }

    // The UID of the class entry {$classname, $classes}, appended when first used; classes() gives
    // the class and its superclasses.
    template <typename Name, typename Classes> quint64 classUid(const Name& name, const Classes& classes)
    {
        for (const auto& [known, uid] : classUids) {
            if (known == name) {
                return uid;
            }
        }
        const QStringList list = classes();
        QVarLengthArray<Ref, 4> refs;
        for (const QString& c : list) {
            refs.append(writer.addString(c));
        }
        const Ref entry = writer.addDict({string(u"$classname"), string(u"$classes")},
                                         {writer.addString(list.first()), writer.addArray(refs)});
        const quint64 uid = append(entry);
        classUids.emplace_back(list.first(), uid);
        return uid;
    }

    quint64 plainClassUid(QLatin1StringView name, QLatin1StringView parent = {})
    {
        return classUid(name, [&] {
            QStringList classes{name};
            if (!parent.isEmpty()) {
                classes.append(parent);
            }
            classes.append(QStringLiteral("NSObject"));
            return classes;
        });
    }

    // Appends an object dictionary with the given fields, then gives it its class (whose entry, when
    // new, follows the object).
    template <typename ClassUid> quint64 appendObject(OrderedDict dict, ClassUid classUid)
    {
        const quint64 uid = append(0);
        dict.set(string(u"$class"), writer.addUid(classUid()));
        objects[uid] = writer.addDict(dict.keys, dict.values);
        return uid;
    }

    // Strings, numbers and booleans are stored once each, inline.
    quint64 scalar(Ref object)
    {
        if (object >= uidOfRef.size()) {
            uidOfRef.resize(size_t(object) + 1, NoUid);
        }
        if (uidOfRef[object] == NoUid) {
            uidOfRef[object] = append(object);
        }
        return uidOfRef[object];
    }

    std::optional<quint64> encode(const QVariant& value, KeyedArchiver& coder);
    std::optional<quint64> encodeArray(const QVariantList& list, bool isMutable, KeyedArchiver& coder);
    std::optional<quint64> encodeDict(const QVariant& value, bool isMutable, KeyedArchiver& coder);
    std::optional<quint64> encodeCustom(const QVariant& value, const KeyedArchiveRegistry::Entry& entry,
                                        KeyedArchiver& coder);
    bool setField(const QString& key, Ref value);
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
        return scalar(writer.addString(s));
    }
    case ValueKind::Integer: {
        const auto i = PlistValue::integerOf(value);
        if (!i) {
            return std::nullopt;
        }
        return scalar(writer.addInteger(*i));
    }
    case ValueKind::Real:
        return scalar(writer.addReal(value.toDouble()));
    case ValueKind::Bool:
        return scalar(writer.addBool(value.toBool()));
    case ValueKind::Data: {
        return append(writer.addData(value.toByteArray()));
    }
    case ValueKind::Date: {
        const QDateTime date = value.toDateTime();
        if (!date.isValid()) {
            return std::nullopt;
        }
        const double seconds =
            (double(date.toMSecsSinceEpoch()) - double(PlistValue::ReferenceEpochOffset) * 1000.0) / 1000.0;
        OrderedDict dict;
        dict.set(string(u"NS.time"), writer.addReal(seconds));
        return appendObject(std::move(dict), [this] { return plainClassUid("NSDate"_L1); });
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
    QVarLengthArray<quint64, 16> uids;
    for (const QVariant& item : list) {
        const auto uid = encode(item, coder);
        if (!uid) {
            --depth;
            return std::nullopt;
        }
        uids.append(*uid);
    }
    --depth;
    QVarLengthArray<Ref, 16> refs;
    for (quint64 uid : uids) {
        refs.append(writer.addUid(uid));
    }
    OrderedDict dict;
    dict.set(string(u"NS.objects"), writer.addArray(refs));
    return appendObject(std::move(dict), [this, isMutable] {
        return isMutable ? plainClassUid("NSMutableArray"_L1, "NSArray"_L1) : plainClassUid("NSArray"_L1);
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
    QVarLengthArray<quint64, 16> keys;
    QVarLengthArray<quint64, 16> values;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const auto uid = encode(it.key(), coder);
        if (!uid) {
            --depth;
            return std::nullopt;
        }
        keys.append(*uid);
    }
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const auto uid = encode(it.value(), coder);
        if (!uid) {
            --depth;
            return std::nullopt;
        }
        values.append(*uid);
    }
    --depth;
    QVarLengthArray<Ref, 16> keyRefs;
    QVarLengthArray<Ref, 16> valueRefs;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        keyRefs.append(writer.addUid(keys[i]));
        valueRefs.append(writer.addUid(values[i]));
    }
    OrderedDict dict;
    dict.set(string(u"NS.keys"), writer.addArray(keyRefs));
    dict.set(string(u"NS.objects"), writer.addArray(valueRefs));
    return appendObject(std::move(dict), [this, isMutable] {
        return isMutable ? plainClassUid("NSMutableDictionary"_L1, "NSDictionary"_L1)
                         : plainClassUid("NSDictionary"_L1);
    });
}

std::optional<quint64> KeyedArchiver::Private::encodeCustom(const QVariant& value,
                                                            const KeyedArchiveRegistry::Entry& entry,
                                                            KeyedArchiver& coder)
{
    // The object takes its place before its fields, which then follow it in $objects.
    const quint64 uid = append(0);
    current.emplace_back();
    ++depth;
    entry.encode(value, coder);
    --depth;
    OrderedDict dict = std::move(current.back());
    current.pop_back();
    dict.set(string(u"$class"), writer.addUid(classUid(entry.className, [&] { return entry.classes; })));
    objects[uid] = writer.addDict(dict.keys, dict.values);
    return uid;
}

bool KeyedArchiver::Private::setField(const QString& key, Ref value)
{
    if (finished || failed || !encodableText(key)) {
        failed = true;
        return false;
    }
    current.back().set(writer.addString(key), value);
    return true;
}

KeyedArchiver::KeyedArchiver() : d(std::make_unique<Private>())
{
    d->append(d->string(u"$null"));
    d->current.emplace_back();
}

KeyedArchiver::~KeyedArchiver() = default;

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
    d->setField(key, d->writer.addUid(*uid));
}

void KeyedArchiver::encodeInt(qint64 value, const QString& key)
{
    d->setField(key, d->writer.addInteger(value));
}

void KeyedArchiver::encodeDouble(double value, const QString& key)
{
    d->setField(key, d->writer.addReal(value));
}

void KeyedArchiver::encodeBool(bool value, const QString& key)
{
    d->setField(key, d->writer.addBool(value));
}

bool KeyedArchiver::hasFailed() const
{
    return d->failed;
}

std::optional<QByteArray> KeyedArchiver::finishEncoding(qsizetype headroom)
{
    if (d->finished || d->failed) {
        d->failed = true;
        return std::nullopt;
    }
    d->finished = true;
    PlistBinaryWriter& w = d->writer;
    const OrderedDict& top = d->current.front();
    const Ref root = w.addDict(
        {d->string(u"$version"), d->string(u"$archiver"), d->string(u"$top"), d->string(u"$objects")},
        {w.addInteger(100000), d->string(u"NSKeyedArchiver"), w.addDict(top.keys, top.values), w.addArray(d->objects)});
    return w.finish(root, headroom);
}
