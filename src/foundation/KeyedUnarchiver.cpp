#include "KeyedUnarchiver.h"

#include "KeyedArchive.h"
#include "KeyedArchiveRegistry.h"
#include "Plist.h"
#include "PlistBinaryView.h"
#include "PlistValue.h"

#include <QDateTime>
#include <QHash>
#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using PlistValue::ValueKind;
using Kind = PlistBinaryView::Kind;
using Object = PlistBinaryView::Object;

// What one resolved object costs: the values it expands to and how deep it reaches.
struct Resolved
{
    QVariant value;
    qint64 values = 1;
    int height = 1;
};

} // namespace

// The archive is read through a view of its binary property list, object by object, so that nothing
// is decoded that the caller does not ask for. An XML archive is turned into the binary form first.
struct KeyedUnarchiver::Private
{
    KeyedDecodeOptions options;
    QByteArray binary; // the archive's bytes in binary form
    std::optional<PlistBinaryView> view;
    Object objects{};             // the $objects array
    std::vector<Object> current;  // the object dictionary that decode calls read from
    std::vector<Resolved> frames; // totals of the custom objects being decoded
    // By property-list object, which several UIDs may share: each object dictionary is resolved and
    // each class entry is searched once, however often it is referred to.
    std::vector<quint64> inProgress; // the objects being resolved, outermost first
    QHash<quint64, Resolved> done;
    QHash<quint64, QString> classNames;
    int depth = 0; // depth of the object being decoded (0 at $top)
    qint64 topValues = 0;
    bool valid = false;
    bool failed = false;

    std::optional<Object> object(std::optional<quint64> index) const
    {
        return index ? view->object(*index) : std::nullopt;
    }
    // The object a field of a dictionary holds.
    std::optional<Object> field(const Object& dict, QStringView key) const { return object(view->find(dict, key)); }
    // A reference to another object: a binary UID, or {CF$UID: n} in the XML form.
    std::optional<quint64> uidOf(std::optional<Object> ref) const
    {
        if (ref && ref->kind == Kind::Uid) {
            return view->value(*ref)->value<Plist::Uid>().value;
        }
        if (ref && ref->kind == Kind::Dict && ref->count == 1) {
            const auto key = object(view->ref(*ref, 0));
            const auto number = object(view->ref(*ref, 1));
            if (key && view->isText(*key, u"CF$UID") && number && number->kind == Kind::Integer) {
                const qint64 uid = view->value(*number)->toLongLong();
                return uid >= 0 ? std::optional(quint64(uid)) : std::nullopt;
            }
        }
        return std::nullopt;
    }
    // The value of a field that is not a container; an invalid QVariant when there is none.
    QVariant scalarField(const QString& key) const
    {
        if (!valid || failed || current.empty()) {
            return {};
        }
        const auto o = field(current.back(), key);
        return o ? view->value(*o).value_or(QVariant()) : QVariant();
    }

    std::optional<Resolved> resolve(quint64 uid, KeyedUnarchiver& coder);
    std::optional<Resolved> resolveObject(const Object& object, KeyedUnarchiver& coder);
    std::optional<QString> className(const Object& object);
    std::optional<Resolved> resolveRefs(std::optional<Object> refs, QVariantList& out, KeyedUnarchiver& coder);

    bool allowed(const QString& className) const
    {
        return options.allowAllRegistered || options.allowedClasses.contains(className);
    }
};

std::optional<Resolved> KeyedUnarchiver::Private::resolve(quint64 uid, KeyedUnarchiver& coder)
{
    if (uid >= objects.count) {
        return std::nullopt;
    }
    if (uid == 0) {
        return Resolved{}; // "$null"
    }
    const auto index = view->ref(objects, uid);
    if (!index) {
        return std::nullopt;
    }
    const int objectDepth = depth + 1;
    if (const auto it = done.constFind(*index); it != done.cend()) {
        if (objectDepth + it->height - 1 > options.maxDepth) {
            return std::nullopt;
        }
        return *it;
    }
    if (objectDepth > options.maxDepth || std::find(inProgress.begin(), inProgress.end(), *index) != inProgress.end()) {
        return std::nullopt; // too deep, or a cycle
    }
    const auto object = view->object(*index);
    if (!object || object->kind == Kind::Array || object->kind == Kind::Uid) {
        return std::nullopt;
    }
    if (object->kind != Kind::Dict) { // some archivers store dates inline rather than as {NS.time}
        auto value = view->value(*object);
        return value ? std::optional(Resolved{std::move(*value)}) : std::nullopt;
    }
    inProgress.push_back(*index);
    const int savedDepth = depth;
    depth = objectDepth;
    auto result = resolveObject(*object, coder);
    depth = savedDepth;
    inProgress.pop_back();
    if (!result || result->values > KeyedArchive::MaxDecodedObjects) {
        return std::nullopt;
    }
    done.insert(*index, *result);
    return result;
}

std::optional<QString> KeyedUnarchiver::Private::className(const Object& object)
{
    const auto classRef = uidOf(field(object, u"$class"));
    const auto entry = classRef ? view->ref(objects, *classRef) : std::nullopt;
    if (!entry) {
        return std::nullopt;
    }
    if (const auto it = classNames.constFind(*entry); it != classNames.cend()) {
        return *it;
    }
    const auto entryObject = view->object(*entry);
    const auto name = entryObject ? field(*entryObject, u"$classname") : std::nullopt;
    if (!name || (name->kind != Kind::Ascii && name->kind != Kind::Utf16)) {
        return std::nullopt;
    }
    return *classNames.insert(*entry, view->value(*name)->toString());
}

// Resolves an array of references into out; answers the summed cost.
std::optional<Resolved> KeyedUnarchiver::Private::resolveRefs(std::optional<Object> refs, QVariantList& out,
                                                              KeyedUnarchiver& coder)
{
    if (!refs || refs->kind != Kind::Array) {
        return std::nullopt;
    }
    Resolved total;
    out.reserve(qsizetype(std::min<quint64>(refs->count, quint64(KeyedArchive::MaxDecodedObjects))));
    for (quint64 i = 0; i < refs->count; ++i) {
        const auto uid = uidOf(object(view->ref(*refs, i)));
        auto item = uid ? resolve(*uid, coder) : std::nullopt;
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

std::optional<Resolved> KeyedUnarchiver::Private::resolveObject(const Object& object, KeyedUnarchiver& coder)
{
    const auto className = this->className(object);
    if (!className) {
        return std::nullopt;
    }
    const QString& name = *className;
    // A field of the given kind, as a value.
    const auto member = [&](QStringView key, std::initializer_list<Kind> kinds) -> std::optional<QVariant> {
        const auto o = field(object, key);
        if (!o || std::find(kinds.begin(), kinds.end(), o->kind) == kinds.end()) {
            return std::nullopt;
        }
        return view->value(*o);
    };

    if (name == QLatin1String("NSArray") || name == QLatin1String("NSMutableArray") || name == QLatin1String("NSSet") ||
        name == QLatin1String("NSMutableSet")) {
        QVariantList list;
        auto cost = resolveRefs(field(object, u"NS.objects"), list, coder);
        if (!cost) {
            return std::nullopt;
        }
        cost->value = list;
        return cost;
    }
    if (name == QLatin1String("NSDictionary") || name == QLatin1String("NSMutableDictionary")) {
        QVariantList keys;
        QVariantList values;
        auto keyCost = resolveRefs(field(object, u"NS.keys"), keys, coder);
        if (!keyCost) {
            return std::nullopt;
        }
        auto valueCost = resolveRefs(field(object, u"NS.objects"), values, coder);
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
        auto s = member(u"NS.string", {Kind::Ascii, Kind::Utf16});
        return s ? std::optional(Resolved{std::move(*s)}) : std::nullopt;
    }
    if (name == QLatin1String("NSData") || name == QLatin1String("NSMutableData")) {
        auto data = member(u"NS.data", {Kind::Data});
        return data ? std::optional(Resolved{std::move(*data)}) : std::nullopt;
    }
    if (name == QLatin1String("NSDate")) {
        const auto time = member(u"NS.time", {Kind::Integer, Kind::Real, Kind::Bool});
        const auto date =
            time ? PlistValue::dateFromUnixSeconds(time->toDouble() + double(PlistValue::ReferenceEpochOffset))
                 : std::nullopt;
        return date ? std::optional(Resolved{*date}) : std::nullopt;
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
    if (data.isEmpty() || data.size() > options.maxSize) {
        return;
    }
    if (data.startsWith("bplist00")) {
        d->binary = data;
    } else if (const auto root = Plist::fromData(data); root && root->metaType().id() == QMetaType::QVariantMap) {
        d->binary = Plist::toBinary(*root).value_or(QByteArray());
    }
    d->view = PlistBinaryView::open(d->binary);
    const auto root = d->view ? d->view->object(d->view->top()) : std::nullopt;
    if (!root || root->kind != Kind::Dict) {
        return;
    }
    const auto archiver = d->field(*root, u"$archiver");
    const auto objects = d->field(*root, u"$objects");
    const auto top = d->field(*root, u"$top");
    if (!archiver || !d->view->isText(*archiver, u"NSKeyedArchiver") || !objects || objects->kind != Kind::Array ||
        objects->count == 0 || !top || top->kind != Kind::Dict) {
        return;
    }
    d->objects = *objects;
    d->current.push_back(*top);
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
    return d->valid && !d->current.empty() && d->view->find(d->current.back(), key);
}

std::optional<QVariant> KeyedUnarchiver::decodeObject(const QString& key)
{
    if (!d->valid || d->failed) {
        return std::nullopt;
    }
    const auto ref = d->field(d->current.back(), key);
    if (!ref) {
        return std::nullopt; // nothing stored under the key: not an error
    }
    const auto uid = d->uidOf(ref);
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
    const QVariant v = d->scalarField(key);
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
    const QVariant v = d->scalarField(key);
    return PlistValue::isNumber(v) ? v.toDouble() : 0.0;
}

bool KeyedUnarchiver::decodeBool(const QString& key)
{
    const QVariant v = d->scalarField(key);
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
