#pragma once

#include "SharedInstance.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

/**
 * The file-system service. It keeps no directory of its own: operations take a name, join it to the
 * process's current directory ("<current>/<name>") and act there; a few operations move the current
 * directory. Callers therefore make a directory current first, then act on names in it. The current
 * directory is process-wide, so such sequences must not be interleaved.
 *
 * Listings hold the names of a directory's entries (hidden ones included, "." and ".." not), sorted
 * with digit runs compared by value and everything else by UTF-16 code, case-sensitively:
 * "file2" < "file10", "B" < "a". Index answers are a position in that listing, or -1 when absent.
 *
 * Names are checked before anything is touched: an empty name, or one with a ".." component, answers
 * the operation's failure value (NO, -1, 0, none, "UNKNOWN_ATTRIB", an empty list). Whole files are
 * written atomically, so a failed write leaves the earlier file as it was. Readers answer none for
 * missing, unreadable, malformed or oversized files and for anything that is not a regular file.
 */
class FS : public SharedInstance<FS>
{
    friend class SharedInstance<FS>;

public:
    /** Kinds for getSystemDir(): the standard directories that exist on this system. */
    enum SystemDirKind {
        ApplicationDirectory = 1,         // ~/.local/share/applications
        LibraryDirectory = 5,             // ~/.local/share
        UserDirectory = 7,                // the home directory
        DocumentDirectory = 9,            // the documents directory (getDocumentDir)
        DesktopDirectory = 12,            // ~/Desktop
        CachesDirectory = 13,             // ~/.cache
        ApplicationSupportDirectory = 14, // the application's data directory
        DownloadsDirectory = 15,
        MoviesDirectory = 17,
        MusicDirectory = 18,
        PicturesDirectory = 19,
    };

    /** Writes "hello from FS" to the process log. */
    void FSgreet() const;

    // ---- Current directory and standard directories ----

    /** The current directory's absolute path. */
    QString getCurrentDir() const;
    /** The user's documents directory, created when missing. With HOME unset or empty it is taken
     *  from the user database; "" when no home directory can be found at all. */
    QString getDocumentDir() const;
    /** The process's temporary directory (no trailing "/"). */
    QString getTemporaryDir() const;
    /** The standard directory of a SystemDirKind; "" for any other kind. Not created (except the
     *  documents directory). */
    QString getSystemDir(int kind) const;
    /** Makes path current (relative to the current directory); NO, and nothing changes, when the path
     *  is empty or is not an enterable directory. */
    bool changeDir(const QString& path) const;
    /** changeDir(getDocumentDir()). */
    bool changeToDocDir() const;
    /** changeDir(getTemporaryDir()). */
    bool changeToTmpDir() const;
    /** changeDir(getSystemDir(kind)); NO for a kind without a directory. */
    bool changeToSystemDir(int kind) const;
    /** Creates the directory at the name's full path with any missing parents; YES also when it already
     *  is a directory; NO when something else is in the way or the name is empty or holds "..". */
    bool makeDir(const QString& name) const;

    // ---- Listing and lookup ----

    /** The listing of "<current>/<name>" ("" lists the current directory); empty when it cannot be
     *  read or the name holds "..". */
    QStringList listDir(const QString& name) const;
    /** The names of the current directory whose extension (text after the last ".", "" when none)
     *  equals ext exactly, in listing order. */
    QStringList listItemsWithExt(const QString& ext) const;
    /** How many names of the current directory contain a "." and end in "." + ext. */
    int numItemsWithExt(const QString& ext) const;
    /** Index of the name's last component in the listing of its directory (the current directory, or
     *  the sub-directory the name leads through: "sub/x.txt"); exact, case-sensitive; -1 when absent,
     *  for an empty name, a name with "..", or a directory that does not exist. */
    int doesItemExist(const QString& name) const;
    /** The same as doesItemExist(): a plain file of that name counts as present. */
    int doesDirExist(const QString& name) const;
    /** Index of the first entry of the current directory equal to name ignoring case; -1 when none. */
    int getItemIndexInCurrentDir(const QString& name) const;
    /** Makes the documents directory current, enters dir and answers doesItemExist(name) there; the
     *  current directory stays where it got to. -1 at once (nothing moves) for an empty name, an empty
     *  dir or a ".." in either; -1 when dir cannot be entered (the documents directory stays current). */
    int getIndexOfItemInDir(const QString& name, const QString& dir) const;
    /** "<current>/<name>", as text. */
    QString getPathToItem(const QString& name) const;
    /** "<current>/<dir>/<name>", as text. */
    QString getPathToItemInDir(const QString& name, const QString& dir) const;

    // ---- Deleting ----

    /** Removes the item (a directory with all its contents; a link itself, never its target). The exact
     *  name is tried first, then the first entry of the current directory equal to it ignoring case.
     *  NO when nothing matches or the removal failed. */
    bool deleteItem(const QString& name) const;
    /** Removes every entry of the current directory that contains a "." and ends in "." + ext;
     *  answers how many were removed. */
    int deleteAllItemsWithExt(const QString& ext) const;
    /** Removes the entries of the current directory in listing order, stopping at the first failure;
     *  YES when the directory is empty afterwards (also when it was empty already). */
    bool wipeCurrentDir() const;
    /** Makes the documents directory current, enters dir and removes every entry there (failures
     *  ignored). When dir is empty, holds ".." or cannot be entered, nothing is removed: the current
     *  directory is then the documents directory (or unchanged when the name was refused). */
    void deleteAllItemsFromDir(const QString& dir) const;

    // ---- Attributes ----

    /** One attribute of the item (a link itself, not its target): 0 creation date, 1 modification date
     *  (as "2026-12-05 09:05:03 +0000"), 2 size in bytes, 3 type name ("NSFileTypeRegular",
     *  "NSFileTypeDirectory", "NSFileTypeSymbolicLink", "NSFileTypeSocket", "NSFileTypeCharacterSpecial",
     *  "NSFileTypeBlockSpecial", "NSFileTypeUnknown"). "UNKNOWN_ATTRIB" for any other type and for a
     *  missing item. */
    QString getItemAttributeAttribType(const QString& name, int type) const;
    /** Whether the item is a regular file (a link is not). */
    bool isItemFile(const QString& name) const;
    /** Whether the item is a directory (a link is not). */
    bool isItemDir(const QString& name) const;
    /** Whether this process may write the item. */
    bool isItemWritable(const QString& name) const;
    /** Whether this process may execute the item (enter it, for a directory). */
    bool isItemExecutable(const QString& name) const;
    /** Whether this process may remove the item (its directory is writable, sticky bit respected). */
    bool isItemDeletable(const QString& name) const;
    /** Size in bytes; 0 when missing. */
    qint64 getItemSize(const QString& name) const;
    /** YES when both paths (used as given) hold equal contents: files byte for byte, directories entry
     *  by entry, links by their targets' texts. NO when either is missing. */
    bool cmpItemWithItem(const QString& path1, const QString& path2) const;
    /** The modification date; none when missing. */
    std::optional<QDateTime> getModifiedDateOfItem(const QString& name) const;
    /** Sets the modification date of the item; nothing happens when it is missing or the date invalid. */
    void setItemModificationDate(const QString& name, const QDateTime& date) const;
    /** The file systems here keep no settable creation date: this does nothing. */
    void setItemCreationDate(const QString& name, const QDateTime& date) const;
    /** Free bytes available to this user on the volume of the documents directory; 0 when unknown. */
    qint64 freeSpace() const;

    // ---- Reading and writing whole files ----

    /** Writes the text as 7-bit ASCII, replacing any earlier file atomically; YES on success. NO, and
     *  nothing written, for a character outside ASCII or a missing directory. */
    bool writeTxtToFileData(const QString& name, const QString& text) const;
    /** The whole file as text: a byte-order mark decides the encoding, else UTF-8 (which covers ASCII),
     *  else Latin-1. "" for an empty file. None when missing, not a regular file, larger than 32 MiB, or
     *  binary (NUL or other control bytes). */
    std::optional<QString> readTxtFromFile(const QString& name) const;
    /** Writes the dictionary as an XML property list (version 1.0, UTF-8), atomically; NO when a value
     *  has no property-list form (nothing is written then). */
    bool writeDictionaryToFileData(const QString& name, const QVariantMap& dictionary) const;
    /** A dictionary read from an XML or binary property list whose top level is a dictionary; none for
     *  anything else (missing, malformed, another top level, larger than 16 MiB). */
    std::optional<QVariantMap> readDictionaryFromFile(const QString& name) const;
    /** Traces "pathFile:%@" with the full path, then writes like writeNSArrayToFileData(). */
    bool writeArrayToFileData(const QString& name, const QVariantList& array) const;
    /** Writes the array as an XML property list, atomically; NO when an element has no property-list
     *  form. */
    bool writeNSArrayToFileData(const QString& name, const QVariantList& array) const;
    /** An array read from a property list whose top level is an array; none otherwise. */
    std::optional<QVariantList> readArrayFromFile(const QString& name) const;
    /** The same as readArrayFromFile() (the values are copies the caller may change). */
    std::optional<QVariantList> readMutableArrayFromFile(const QString& name) const;
    /** Stores the value as a keyed archive, atomically. Traces "NOT WORKING: %d" with 1 on success and 0
     *  on failure, and answers the same flag. */
    bool writeCustomClassToFileData(const QString& name, const QVariant& object) const;
    /** The value read back from a keyed archive; none for anything else. */
    std::optional<QVariant> readCustomClassFromFile(const QString& name) const;
    /** Writes text with writeTxtToFileData() to "<base>.<ext>" when overwrite is YES, otherwise to the
     *  first of "<base>0.<ext>", "<base>1.<ext>", ... that doesItemExist() does not find. */
    void writeFileExtDataOverwrite(const QString& base, const QString& ext, const QString& text, bool overwrite) const;

    // ---- Extras: copying, moving, renaming (FSExtras.cpp) ----
    // Copies and moves never replace anything unless a mode says so; a failed copy or move leaves both
    // items as they were. Bulk operations whose dir cannot be entered (or leads back to where they
    // started) change nothing at all.

    /** Copies "<current>/<dir>/<name>" (a directory with its contents) to "<current>/<newDir>/<newName>";
     *  NO when the target exists, the source is missing or a name is refused. A copy that fails halfway
     *  is removed again. */
    bool cpyItemInDirToItemInDir(const QString& name, const QString& dir, const QString& newName,
                                 const QString& newDir) const;
    /** The copy inside the current directory; NO when both names are equal. */
    bool cpyItemToItem(const QString& name, const QString& newName) const;
    /** Copies to the same name in dir; NO for an empty dir. */
    bool cpyItemToDir(const QString& name, const QString& dir) const;
    /** cpyItemToDir() for each name in order, stopping at the first failure with NO; YES when all were
     *  copied (also for an empty list); NO for an empty dir. */
    bool cpyItemsToDir(const QStringList& names, const QString& dir) const;
    /** Makes newDir, empties it and copies every entry of dir into it; NO when either is empty, when
     *  newDir or dir cannot be entered (nothing is emptied then), or when a copy failed. The current
     *  directory ends where it started. */
    bool dupDirToDir(const QString& dir, const QString& newDir) const;

    /** Moves "<documents>/<dir>/<name>" to "<documents>/<newDir>/<newName>". Mode 0 replaces an existing
     *  target (found as deleteItem() finds it: exact name first, then ignoring case), 1 keeps both and answers NO, 2
     * deletes the source and answers NO when the target exists; any other mode moves only onto a free name. YES when
     * the item was moved. The documents directory is current afterwards. */
    bool moveItemInDirToItemInDirMode(const QString& name, const QString& dir, const QString& newName,
                                      const QString& newDir, int mode) const;
    /** The move from the documents directory to the same name in dir; NO for an empty dir. */
    bool moveItemToDirMode(const QString& name, const QString& dir, int mode) const;
    /** moveItemToDirMode() for each name in order, stopping at the first failure with NO; NO for an
     *  empty dir. */
    bool moveItemsToDirMode(const QStringList& names, const QString& dir, int mode) const;
    /** Moves the ".png", ".jpg", ".PNG" and ".JPG" files of the documents directory into dir (made when
     *  missing); answers how many such files were found, also when dir cannot be made (nothing moves
     *  then). */
    int moveAllImgsToDirMode(const QString& dir, int mode) const;
    /** Renames inside the current directory; NO when the names are equal or the new name exists. */
    bool renameItemToItem(const QString& name, const QString& newName) const;
    /** Renames to the first free lower-cased "<base><n>.<ext>" (or "<base><n>"), n = 0, 1, ... */
    void renameItemRandomly(const QString& name) const;
    /** Renames the files of dir to lower case (mode 1), upper case (2) or capitalised words (3); a name
     *  with a capital A-Z that is still there afterwards gets its numbered lower-case name. Nothing
     *  happens when dir cannot be entered. */
    void renameItemsInDirToCase(const QString& dir, int mode) const;
    /** Renames the files of dir with extension ext to the names listed in the reference text file of
     *  the current directory, each piece taken as it stands (a piece holding "/" leaves its file alone); answers the
     * number of candidate files, -2 when the reference file is missing or unreadable, -1 when there are more files than
     * names or the names ran out, 0 when dir cannot be entered (nothing is renamed then). */
    int renameItemsInDirWithExtToReference(const QString& dir, const QString& ext, const QString& reference) const;

    // ---- Extras: the application's resources (FSExtras.cpp) ----

    /** YES when name splits at "." into exactly base and type and the resource directory holds it. */
    bool doesFileExistInBundle(const QString& name) const;
    /** The resource read as UTF-8 text; none when missing, not a regular file or not UTF-8. */
    std::optional<QString> readTxtFromBundle(const QString& name) const;
    /** The names at the top of the resource directory (unsorted). */
    QStringList getBundleDir() const;
    /** Copies the resource name to "<dir>/<name>" (a relative dir from the current directory); NO when
     *  the resource is missing, the target exists or the copy failed. */
    bool cpyBundleFileToDirinDocDirDir(const QString& name, const QString& dir) const;
    /** cpyBundleFileToDirinDocDirDir() into the documents directory. */
    bool cpyBundleFileToDocDir(const QString& name) const;
    /** Installs the resources listed (one per line) in the resource listName into dir, emptying dir first
     *  when clear is YES; YES when every line was missing and got copied, NO otherwise (also when dir
     *  cannot be entered, in which case nothing is emptied or copied). */
    bool initFilelistIntoDirClr(const QString& listName, const QString& dir, bool clear) const;

    // ---- Extras: web addresses (FSWeb.cpp) ----
    // Each fetch blocks the caller (no event loop runs) for at most about 30 s, 10 s to connect;
    // redirects are followed (up to 10); an HTTP status of 400 or more counts as an error.

    /** YES when the address could be fetched as UTF-8 text. */
    bool doesUrlExist(const QString& address) const;
    /** The error text of fetching the address; none when there was none. */
    std::optional<QString> doesUrlExistWithError(const QString& address) const;
    /** The fetched text; "" on any error (also for an answer that is not UTF-8 or larger than 32 MiB). */
    QString readTxtFromUrl(const QString& address) const;

    // ---- Extras: archives (FSZip.cpp) ----
    // The archive classes' ZipException reaches the caller. Entries are never written outside their
    // target directory: absolute names and names with ".." are skipped.

    /** Unpacks the archive "<path>/<name>" (from the current directory; an empty path: name alone) into
     *  "<documents>/<path>", entry by entry (never reading an entry whole into memory); a missing
     *  archive raises "Can't open '%@'". "__MACOSX/..." entries are skipped; an entry that cannot be
     *  written (also when "<documents>/<path>" is missing) is skipped and any file already there is
     *  left alone. */
    void unZipFileAtPath(const QString& name, const QString& path) const;
    /** Unpacks the archive name of the documents directory into the documents directory. */
    void unZipInDocDir(const QString& name) const;
    /** Unpacks every "*.zip" of "<documents>/<dir>" into that dir ("" the documents directory itself);
     *  answers how many archives. 0 when dir cannot be listed. */
    int unzipAllFilesInDir(const QString& dir) const;
    /** Packs "<documents>/<dir>" ("" the documents directory itself) into "<documents>/<dir>/<archiveName>"
     *  (level 9, dated a day back): each file as an entry of its name, each sub-directory as a "sub/"
     *  entry followed by its contents ("sub/file"); nothing when dir is empty or cannot be entered. */
    void zipAllFilesInDirIntoFile(const QString& dir, const QString& archiveName) const;
    /** Packs the file name of the current directory into "<name without extension>.zip" there. */
    void zipOneFile(const QString& name) const;

    // ---- Extras: volumes (FSExtras.cpp) ----

    /** Attributes of the file system holding "/": "NSFileSystemSize", "NSFileSystemFreeSize" (bytes),
     *  "NSFileSystemNodes", "NSFileSystemFreeNodes", "NSFileSystemNumber" (device); empty when unknown. */
    QVariantMap getVolumeAttributes(const QString& ignored) const;
    /** The display name of the path (its last component, the volume's name for a mount point); "" when
     *  missing. */
    QString getVolumeName(const QString& path) const;
    /** Free bytes on the file system holding "/"; 0 when unknown. */
    qint64 getVolumeSize(const QString& ignored) const;
    /** "removable=%d writable=%d unmountable=%d description=%@ type=%@" for the volume of path; "" when
     *  the path is missing. */
    QString getVolumeInfo(const QString& path) const;
    /** Writes one block per mounted local volume to the process log. */
    void debugVolumeInfo() const;
    /** Makes the documents directory current and traces the listing of dir with its count. */
    void debugDir(const QString& dir) const;

private:
    FS() = default;
};
