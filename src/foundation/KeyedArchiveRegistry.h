#pragma once

#include "KeyedArchive.h"

#include <optional>

/** The coders' view of the custom-class registry that KeyedArchive::registerClass fills. */
namespace KeyedArchiveRegistry {

struct Entry
{
    QString className;
    QMetaType type;
    KeyedArchive::EncodeFunction encode;
    KeyedArchive::DecodeFunction decode;
    /** $classes: the class name first, then its superclasses. */
    QStringList classes;
};

/** The registered class of that archived name; none when there is none. */
std::optional<Entry> entryForName(const QString& className);
/** The registered class for values of that type; none when there is none. */
std::optional<Entry> entryForType(QMetaType type);

} // namespace KeyedArchiveRegistry
