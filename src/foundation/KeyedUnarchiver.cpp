#include "KeyedUnarchiver.h"

#include "KeyedArchive.h"
#include "KeyedArchiveRegistry.h"
#include "Plist.h"
#include "PlistValue.h"

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QTimeZone>

#include <cmath>
#include <limits>
#include <vector>

namespace {

using PlistValue::ValueKind;

// A reference to another object: a binary UID, or {CF$UID: n} in the XML form.
std::optional<quint64> uidOf(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<Plist::Uid>()) {
        return value.value<Plist::Uid>().value;
    }
    if (value.metaType().id() == QMetaType::QVariantMap) {
        const QVariantMap map = value.toMap();
        const auto it = map.constFind(QStringLiteral("CF$UID"));
        if (map.size() == 1 && it != map.cend() && it->metaType().id() == QMetaType::LongLong &&
            it->toLongLong() >= 0) {
            return quint64(it->toLongLong());
        }
    }
    return std::nullopt;
}

bool isNumber(const QVariant& v)
{
    const ValueKind k = PlistValue::kindOf(v);
    return k == ValueKind::Integer || k == ValueKind::Real || k == ValueKind::Bool;
}

// What one resolved object costs: the values it expands to and how deep it reaches.
struct Resolved
{
    QVariant value;
    qint64 values = 1;
    int height = 1;
};

} // namespace

struct KeyedUnarchiver::Private
{
    KeyedDecodeOptions options;
    QVariantList objects;
    std::vector<QVariantMap> current; // the object dictionary that decode calls read from
    std::vector<Resolved> frames;     // totals of the custom objects being decoded
    QHash<quint64, Resolved> done;
    QSet<quint64> inProgress;
    int depth = 0; // depth of the object being decoded (0 at $top)
    qint64 topValues = 0;
    bool valid = false;
    bool failed = false;

    std::optional<Resolved> resolve(quint64 uid, KeyedUnarchiver& coder);
    std::optional<Resolved> resolveObject(const QVariantMap& object, quint64 uid, KeyedUnarchiver& coder);
    std::optional<Resolved> resolveRefs(const QVariant& refs, QVariantList& out, KeyedUnarchiver& coder);

    bool allowed(const QString& className) const
    {
        return options.allowAllRegistered || options.allowedClasses.contains(className);
    }

    QVariant field(const QString& key) const
    {
        if (!valid || failed || current.empty()) {
            return {};
        }
        return current.back().value(key);
    }
};

std::optional<Resolved> KeyedUnarchiver::Private::resolve(quint64 uid, KeyedUnarchiver& coder)
{
    if (uid >= quint64(objects.size())) {
        return std::nullopt;
    }
    if (uid == 0) {
        return Resolved{}; // "$null"
    }
    const int objectDepth = depth + 1;
    if (const auto it = done.constFind(uid); it != done.cend()) {
        if (objectDepth + it->height - 1 > options.maxDepth) {
            return std::nullopt;
        }
        return *it;
    }
    if (objectDepth > options.maxDepth || inProgress.contains(uid)) {
        return std::nullopt; // too deep, or a cycle
    }
    const QVariant& object = objects.at(qsizetype(uid));
    switch (PlistValue::kindOf(object)) {
    case ValueKind::String:
    case ValueKind::Integer:
    case ValueKind::Real:
    case ValueKind::Bool:
    case ValueKind::Data:
    case ValueKind::Date: // some archivers store dates inline rather than as {NS.time}
        return Resolved{object};
    case ValueKind::Dict:
        break;
    default:
        return std::nullopt;
    }
    inProgress.insert(uid);
    const int savedDepth = depth;
    depth = objectDepth;
    auto result = resolveObject(object.toMap(), uid, coder);
    depth = savedDepth;
    inProgress.remove(uid);
    if (!result || result->values > KeyedArchive::MaxDecodedObjects) {
        return std::nullopt;
    }
    done.insert(uid, *result);
    return result;
}

// Resolves an array of references into out; answers the summed cost.
std::optional<Resolved> KeyedUnarchiver::Private::resolveRefs(const QVariant& refs, QVariantList& out,
                                                              KeyedUnarchiver& coder)
{
    if (refs.metaType().id() != QMetaType::QVariantList) {
        return std::nullopt;
    }
    Resolved total;
    const QVariantList list = refs.toList();
    out.reserve(list.size());
    for (const QVariant& ref : list) {
        const auto uid = uidOf(ref);
        if (!uid) {
            return std::nullopt;
        }
        auto item = resolve(*uid, coder);
        if (!item) {
            return std::nullopt;
        }
        total.values += item->values;
        total.height = std::max(total.height, item->height + 1);
        if (total.values > KeyedArchive::MaxDecodedObjects) {
            return std::nullopt;
        }
        out.append(std::move(item->value));
    }
    return total;
}

std::optional<Resolved> KeyedUnarchiver::Private::resolveObject(const QVariantMap& object, quint64 uid,
                                                                KeyedUnarchiver& coder)
{
    Q_UNUSED(uid);
    const auto classRef = uidOf(object.value(QStringLiteral("$class")));
    if (!classRef || *classRef >= quint64(objects.size())) {
        return std::nullopt;
    }
    const QVariant classEntry = objects.at(qsizetype(*classRef));
    if (classEntry.metaType().id() != QMetaType::QVariantMap) {
        return std::nullopt;
    }
    const QVariant nameValue = classEntry.toMap().value(QStringLiteral("$classname"));
    if (nameValue.metaType().id() != QMetaType::QString) {
        return std::nullopt;
    }
    const QString name = nameValue.toString();

    if (name == QLatin1String("NSArray") || name == QLatin1String("NSMutableArray") || name == QLatin1String("NSSet") ||
        name == QLatin1String("NSMutableSet")) {
        QVariantList list;
        auto cost = resolveRefs(object.value(QStringLiteral("NS.objects")), list, coder);
        if (!cost) {
            return std::nullopt;
        }
        cost->value = list;
        return cost;
    }
    if (name == QLatin1String("NSDictionary") || name == QLatin1String("NSMutableDictionary")) {
        QVariantList keys;
        QVariantList values;
        auto keyCost = resolveRefs(object.value(QStringLiteral("NS.keys")), keys, coder);
        if (!keyCost) {
            return std::nullopt;
        }
        auto valueCost = resolveRefs(object.value(QStringLiteral("NS.objects")), values, coder);
        if (!valueCost || keys.size() != values.size()) {
            return std::nullopt;
        }
        QVariantMap map;
        for (qsizetype i = 0; i < keys.size(); ++i) {
            if (keys.at(i).metaType().id() != QMetaType::QString) {
                return std::nullopt;
            }
            map.insert(keys.at(i).toString(), values.at(i));
        }
        return Resolved{map, keyCost->values + valueCost->values - 1, std::max(keyCost->height, valueCost->height)};
    }
    if (name == QLatin1String("NSString") || name == QLatin1String("NSMutableString")) {
        const QVariant s = object.value(QStringLiteral("NS.string"));
        if (s.metaType().id() != QMetaType::QString) {
            return std::nullopt;
        }
        return Resolved{s};
    }
    if (name == QLatin1String("NSData") || name == QLatin1String("NSMutableData")) {
        const QVariant data = object.value(QStringLiteral("NS.data"));
        if (data.metaType().id() != QMetaType::QByteArray) {
            return std::nullopt;
        }
        return Resolved{data};
    }
    if (name == QLatin1String("NSDate")) {
        const QVariant time = object.value(QStringLiteral("NS.time"));
        if (!isNumber(time)) {
            return std::nullopt;
        }
        const auto date = PlistValue::dateFromUnixSeconds(time.toDouble() + double(PlistValue::ReferenceEpochOffset));
        if (!date) {
            return std::nullopt;
        }
        return Resolved{*date};
    }
    if (name == QLatin1String("NSNull")) {
        return Resolved{};
    }
    if (!allowed(name)) {
        return std::nullopt;
    }
    const auto entry = KeyedArchiveRegistry::entryForName(name);
    if (!entry) {
        return std::nullopt;
    }
    current.push_back(object);
    frames.push_back(Resolved{});
    std::optional<QVariant> value = entry->decode(coder);
    Resolved cost = frames.back();
    frames.pop_back();
    current.pop_back();
    if (!value || failed) {
        return std::nullopt;
    }
    cost.value = std::move(*value);
    return cost;
}

KeyedUnarchiver::KeyedUnarchiver(const QByteArray& data, const KeyedDecodeOptions& options)
    : d(std::make_unique<Private>())
{
    d->options = options;
    d->failed = true;
    if (data.size() > KeyedArchive::MaxArchiveSize) {
        return;
    }
    const auto root = Plist::fromData(data);
    if (!root || root->metaType().id() != QMetaType::QVariantMap) {
        return;
    }
    const QVariantMap map = root->toMap();
    const QVariant archiver = map.value(QStringLiteral("$archiver"));
    const QVariant objects = map.value(QStringLiteral("$objects"));
    const QVariant top = map.value(QStringLiteral("$top"));
    if (archiver != QVariant(QStringLiteral("NSKeyedArchiver")) || objects.metaType().id() != QMetaType::QVariantList ||
        top.metaType().id() != QMetaType::QVariantMap) {
        return;
    }
    d->objects = objects.toList();
    if (d->objects.isEmpty()) {
        return;
    }
    d->current.push_back(top.toMap());
    d->valid = true;
    d->failed = false;
}

KeyedUnarchiver::~KeyedUnarchiver() = default;

bool KeyedUnarchiver::isValid() const
{
    return d->valid;
}

bool KeyedUnarchiver::containsValueForKey(const QString& key) const
{
    return d->valid && !d->current.empty() && d->current.back().contains(key);
}

std::optional<QVariant> KeyedUnarchiver::decodeObject(const QString& key)
{
    if (!d->valid || d->failed) {
        return std::nullopt;
    }
    const QVariant ref = d->current.back().value(key);
    if (!ref.isValid()) {
        return std::nullopt; // nothing stored under the key: not an error
    }
    const auto uid = uidOf(ref);
    auto resolved = uid ? d->resolve(*uid, *this) : std::nullopt;
    if (!resolved) {
        d->failed = true;
        return std::nullopt;
    }
    // Charge the object to the custom object being decoded, or to the whole decode at the top level.
    if (!d->frames.empty()) {
        Resolved& frame = d->frames.back();
        frame.values += resolved->values;
        frame.height = std::max(frame.height, resolved->height + 1);
        if (frame.values > KeyedArchive::MaxDecodedObjects) {
            d->failed = true;
            return std::nullopt;
        }
    } else {
        d->topValues += resolved->values;
        if (d->topValues > KeyedArchive::MaxDecodedObjects) {
            d->failed = true;
            return std::nullopt;
        }
    }
    return std::move(resolved->value);
}

qint64 KeyedUnarchiver::decodeInt(const QString& key)
{
    const QVariant v = d->field(key);
    switch (PlistValue::kindOf(v)) {
    case ValueKind::Integer:
        return v.toLongLong();
    case ValueKind::Bool:
        return v.toBool() ? 1 : 0;
    case ValueKind::Real: {
        const double r = std::trunc(v.toDouble());
        // Outside the range (or NaN) the conversion would be undefined: answer 0.
        if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) {
            return 0;
        }
        return qint64(r);
    }
    default:
        return 0;
    }
}

qint32 KeyedUnarchiver::decodeInt32(const QString& key)
{
    return qint32(quint32(quint64(decodeInt(key)) & 0xFFFFFFFFu));
}

double KeyedUnarchiver::decodeDouble(const QString& key)
{
    const QVariant v = d->field(key);
    return isNumber(v) ? v.toDouble() : 0.0;
}

bool KeyedUnarchiver::decodeBool(const QString& key)
{
    const QVariant v = d->field(key);
    switch (PlistValue::kindOf(v)) {
    case ValueKind::Bool:
        return v.toBool();
    case ValueKind::Integer:
        return v.toLongLong() != 0;
    case ValueKind::Real:
        return v.toDouble() != 0.0;
    default:
        return false;
    }
}

bool KeyedUnarchiver::hasFailed() const
{
    return d->failed;
}

void KeyedUnarchiver::fail()
{
    d->failed = true;
}
