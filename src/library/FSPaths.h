#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

/**
 * Path helpers shared by the file-system service's source files (not part of its interface).
 */
namespace fs_paths {

/** True for names the service refuses: empty, holding a NUL, or with a ".." component. */
bool isRefusedName(QStringView name);

/** The process's current directory; "" when it cannot be determined (for instance removed). */
QString currentDir();

/** base, one "/", name. */
QString join(const QString& base, const QString& name);

/** "<current>/<name>", or none when the name is refused or there is no current directory. */
std::optional<QString> fullPath(const QString& name);

/** A name split into the directory part before its last "/" ("" when none) and its last component;
 *  trailing "/" are dropped first. */
struct SplitName
{
    QString dir;
    QString last;
};
SplitName splitName(const QString& name);

/** Orders names: digit runs by numeric value, everything else by UTF-16 code, case-sensitively;
 *  equal-valued names (such as "a01" and "a1") fall back to plain code order so the order is total. */
int compareListingNames(QStringView a, QStringView b);

/** The directory's entries (files::directoryEntries) sorted with compareListingNames. */
QStringList sortedEntries(const QString& dirPath);

/** The extension of a name: the text after the last "." of its last path component; "" when none. */
QString extensionOf(const QString& name);

/** Removes a file, a link (never its target) or a directory with everything in it; false when
 *  anything stays behind. Works on raw bytes so that names in any encoding go too. */
bool removeTree(const QByteArray& path);

/** Replaces the file at path with bytes atomically; false (and the old file untouched) when the
 *  directory is missing or anything fails. */
bool writeWholeFile(const QString& path, const QByteArray& bytes);

/** Copies a file, link or directory tree to target, which must not exist and must not lie inside
 *  source; a half-made copy is removed. */
bool copyItemPath(const QString& source, const QString& target);

/** Names the item operations refuse: those refused everywhere, and those whose last component is
 *  "." (the directory itself: moving or deleting it would take everything in it). */
bool isRefusedItem(const QString& name);

} // namespace fs_paths
