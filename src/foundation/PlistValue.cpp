#include "PlistValue.h"

#include "Plist.h"

#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <limits>

namespace PlistValue {

ValueKind kindOf(const QVariant& value)
{
    const int id = value.metaType().id();
    switch (id) {
    case QMetaType::QString:
        return ValueKind::String;
    case QMetaType::Bool:
        return ValueKind::Bool;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return ValueKind::Integer;
    case QMetaType::Double:
    case QMetaType::Float:
        return ValueKind::Real;
    case QMetaType::QByteArray:
        return ValueKind::Data;
    case QMetaType::QDateTime:
        return ValueKind::Date;
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return ValueKind::Array;
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash:
        return ValueKind::Dict;
    default:
        break;
    }
    if (value.metaType() == QMetaType::fromType<Plist::Uid>()) {
        return ValueKind::Uid;
    }
    return ValueKind::Invalid;
}

// The integer of a value classified as Integer; none for an unsigned value above the signed range.
std::optional<qint64> integerOf(const QVariant& value)
{
    const int id = value.metaType().id();
    if (id == QMetaType::ULongLong || id == QMetaType::ULong) {
        const quint64 u = value.toULongLong();
        if (u > quint64(std::numeric_limits<qint64>::max())) {
            return std::nullopt;
        }
        return qint64(u);
    }
    return value.toLongLong();
}

bool hasUnpairedSurrogate(const QString& s)
{
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c.isHighSurrogate()) {
            if (i + 1 >= s.size() || !s.at(i + 1).isLowSurrogate()) {
                return true;
            }
            ++i;
        } else if (c.isLowSurrogate()) {
            return true;
        }
    }
    return false;
}

QVariantList arrayOf(const QVariant& value)
{
    if (value.metaType().id() == QMetaType::QStringList) {
        QVariantList list;
        for (const QString& s : value.toStringList()) {
            list.append(s);
        }
        return list;
    }
    return value.toList();
}

std::vector<std::pair<QString, QVariant>> sortedEntries(const QVariant& value)
{
    std::vector<std::pair<QString, QVariant>> entries;
    if (value.metaType().id() == QMetaType::QVariantHash) {
        const QVariantHash hash = value.toHash();
        for (auto it = hash.cbegin(); it != hash.cend(); ++it) {
            entries.emplace_back(it.key(), it.value());
        }
    } else {
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            entries.emplace_back(it.key(), it.value());
        }
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& a, const auto& b) { return a.first.toUcs4() < b.first.toUcs4(); });
    return entries;
}

std::optional<QDateTime> dateFromUnixSeconds(double seconds)
{
    if (!std::isfinite(seconds) || std::fabs(seconds) > 1e14) {
        return std::nullopt;
    }
    const QDateTime date = QDateTime::fromMSecsSinceEpoch(qint64(std::floor(seconds * 1000.0 + 0.5)), QTimeZone::utc());
    if (!date.isValid()) {
        return std::nullopt;
    }
    return date;
}

} // namespace PlistValue
