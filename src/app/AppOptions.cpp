#include "AppOptions.h"

#include "Plist.h"
#include "Trace.h"

#include <QFile>
#include <QStringList>

namespace {

// One row per option: its key in the file, its range and where it lives. A boolean is an integer of
// 0 or 1, as the settings file stores its checkboxes.
struct OptionKey
{
    const char* key;
    int minimum;
    int maximum;
    int AppOptions::*number;
    bool AppOptions::*flag;
};

const OptionKey Keys[] = {
    {"downAfterFailures", 1, 10, &AppOptions::downAfter, nullptr},
    {"upAfterSuccesses", 1, 10, &AppOptions::upAfter, nullptr},
    {"showUnsureIcon", 0, 1, nullptr, &AppOptions::showUnsure},
    {"sleepGraceSeconds", 0, 600, &AppOptions::sleepGrace, nullptr},
    {"instantDetection", 0, 1, nullptr, &AppOptions::instantDetection},
    {"notifyUp", 0, 1, nullptr, &AppOptions::notifyUp},
    {"notifyDown", 0, 1, nullptr, &AppOptions::notifyDown},
};

} // namespace

QVariantMap AppOptions::toDictionary() const
{
    QVariantMap d;
    for (const OptionKey& k : Keys) {
        d.insert(QString::fromLatin1(k.key), k.number ? this->*k.number : int(this->*k.flag));
    }
    return d;
}

AppOptions AppOptions::fromDictionary(const QVariantMap& dictionary, QStringList* problems)
{
    AppOptions options;
    for (const OptionKey& k : Keys) {
        const QString key = QString::fromLatin1(k.key);
        if (!dictionary.contains(key)) {
            continue; // an option added later than the file: its default
        }
        const QVariant value = dictionary.value(key);
        const int type = value.typeId();
        const bool integral = type == QMetaType::Int || type == QMetaType::LongLong || type == QMetaType::Bool;
        const qint64 number = value.toLongLong();
        if (!integral || number < k.minimum || number > k.maximum) {
            if (problems) {
                problems->append(key);
            }
            continue;
        }
        if (k.number) {
            options.*k.number = int(number);
        } else {
            options.*k.flag = number != 0;
        }
    }
    return options;
}

AppOptions AppOptions::load(const QString& path)
{
    if (!QFile::exists(path)) {
        return {};
    }
    const std::optional<QVariant> read = Plist::readFile(path);
    if (!read || read->typeId() != QMetaType::QVariantMap) {
        TRACE("%@ holds no options dictionary: the defaults are used", fileName());
        return {};
    }
    QStringList problems;
    AppOptions options = fromDictionary(read->toMap(), &problems);
    if (!problems.isEmpty()) {
        TRACE("%@: wrong or out-of-range %@: the defaults are used for them", fileName(),
              problems.join(QStringLiteral(", ")));
    }
    return options;
}

bool AppOptions::save(const QString& path) const
{
    return Plist::writeFile(path, toDictionary());
}
