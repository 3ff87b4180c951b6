// Whole-file reads and writes of the file-system service: texts, property lists and keyed archives.

#include "FS.h"

#include "FSPaths.h"
#include "KeyedArchive.h"
#include "Plist.h"
#include "Trace.h"

#include <QSet>
#include <QStringDecoder>

#include <limits>

using namespace fs_paths;

namespace {

// Reading is bounded so that a huge or hostile file cannot exhaust memory.
constexpr qint64 kMaxTextBytes = 32 * 1024 * 1024;
constexpr qint64 kMaxPlistBytes = 16 * 1024 * 1024;

bool isAscii(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0x7F) {
            return false;
        }
    }
    return true;
}

// Control characters that do not occur in text files: their presence marks the bytes as binary.
bool isBinaryControl(char32_t c)
{
    return (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\v' && c != u'\f' && c != u'\r' && c != 0x1B) || c == 0x7F;
}

bool looksLikeText(const QString& text)
{
    for (const QChar c : text) {
        if (isBinaryControl(c.unicode())) {
            return false;
        }
    }
    return true;
}

std::optional<QString> decodeStrict(QStringConverter::Encoding encoding, const QByteArray& bytes)
{
    // A cut-off last code unit is not text in these encodings.
    const bool wide16 = encoding == QStringConverter::Utf16LE || encoding == QStringConverter::Utf16BE;
    const bool wide32 = encoding == QStringConverter::Utf32LE || encoding == QStringConverter::Utf32BE;
    if ((wide16 && bytes.size() % 2 != 0) || (wide32 && bytes.size() % 4 != 0)) {
        return std::nullopt;
    }
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError() || !looksLikeText(text)) {
        return std::nullopt;
    }
    return text;
}

// UTF-16 without a byte-order mark: every second byte zero and none of the others (mostly ASCII text).
std::optional<QStringConverter::Encoding> unmarkedUtf16(const QByteArray& bytes)
{
    if (bytes.size() % 2 != 0) {
        return std::nullopt;
    }
    bool little = true;
    bool big = true;
    for (qsizetype i = 0; i + 1 < bytes.size() && (little || big); i += 2) {
        const bool evenZero = bytes.at(i) == '\0';
        const bool oddZero = bytes.at(i + 1) == '\0';
        little = little && !evenZero && oddZero;
        big = big && evenZero && !oddZero;
    }
    if (little) {
        return QStringConverter::Utf16LE;
    }
    if (big) {
        return QStringConverter::Utf16BE;
    }
    return std::nullopt;
}

// The encoding comes from a byte-order mark when there is one; otherwise UTF-8 (ASCII included),
// unmarked UTF-16, or Latin-1 for other 8-bit text. Bytes that decode to control characters are
// binary, not text.
std::optional<QString> decodeText(const QByteArray& bytes)
{
    if (bytes.isEmpty()) {
        return QString();
    }
    struct Mark
    {
        const char* bytes;
        qsizetype size;
        QStringConverter::Encoding encoding;
    };
    // UTF-32LE before UTF-16LE: its mark begins with the same two bytes.
    static const Mark marks[] = {
        {"\xEF\xBB\xBF", 3, QStringConverter::Utf8},        {"\xFF\xFE\x00\x00", 4, QStringConverter::Utf32LE},
        {"\x00\x00\xFE\xFF", 4, QStringConverter::Utf32BE}, {"\xFF\xFE", 2, QStringConverter::Utf16LE},
        {"\xFE\xFF", 2, QStringConverter::Utf16BE},
    };
    for (const Mark& mark : marks) {
        if (bytes.startsWith(QByteArrayView(mark.bytes, mark.size))) {
            // The decoder drops the mark itself.
            return decodeStrict(mark.encoding, bytes);
        }
    }
    if (bytes.contains('\0')) {
        if (const auto utf16 = unmarkedUtf16(bytes)) {
            return decodeStrict(*utf16, bytes);
        }
        return std::nullopt;
    }
    if (const auto utf8 = decodeStrict(QStringConverter::Utf8, bytes)) {
        return utf8;
    }
    return decodeStrict(QStringConverter::Latin1, bytes);
}

std::optional<QVariant> readPlist(const QString& name)
{
    const std::optional<QString> path = fullPath(name);
    if (!path) {
        return std::nullopt;
    }
    const std::optional<QByteArray> bytes = readRegularFile(*path, kMaxPlistBytes);
    if (!bytes || bytes->isEmpty()) {
        return std::nullopt;
    }
    return Plist::fromData(*bytes);
}

bool writePlist(const QString& name, const QVariant& value)
{
    const std::optional<QString> path = fullPath(name);
    if (!path) {
        return false;
    }
    const std::optional<QByteArray> bytes = Plist::toXml(value);
    return bytes && writeWholeFile(*path, *bytes);
}

std::optional<QVariantList> readArray(const QString& name)
{
    const std::optional<QVariant> value = readPlist(name);
    if (!value || value->typeId() != QMetaType::QVariantList) {
        return std::nullopt;
    }
    return value->toList();
}

} // namespace

bool FS::writeTxtToFileData(const QString& name, const QString& text) const
{
    const std::optional<QString> path = fullPath(name);
    if (!path || !isAscii(text)) {
        return false;
    }
    return writeWholeFile(*path, text.toLatin1());
}

std::optional<QString> FS::readTxtFromFile(const QString& name) const
{
    const std::optional<QString> path = fullPath(name);
    if (!path) {
        return std::nullopt;
    }
    const std::optional<QByteArray> bytes = readRegularFile(*path, kMaxTextBytes);
    if (!bytes) {
        return std::nullopt;
    }
    return decodeText(*bytes);
}

bool FS::writeDictionaryToFileData(const QString& name, const QVariantMap& dictionary) const
{
    return writePlist(name, dictionary);
}

std::optional<QVariantMap> FS::readDictionaryFromFile(const QString& name) const
{
    const std::optional<QVariant> value = readPlist(name);
    if (!value || value->typeId() != QMetaType::QVariantMap) {
        return std::nullopt;
    }
    return value->toMap();
}

bool FS::writeArrayToFileData(const QString& name, const QVariantList& array) const
{
    TRACE("pathFile:%@", getPathToItem(name));
    return writeNSArrayToFileData(name, array);
}

bool FS::writeNSArrayToFileData(const QString& name, const QVariantList& array) const
{
    return writePlist(name, array);
}

std::optional<QVariantList> FS::readArrayFromFile(const QString& name) const
{
    return readArray(name);
}

std::optional<QVariantList> FS::readMutableArrayFromFile(const QString& name) const
{
    return readArray(name);
}

bool FS::writeCustomClassToFileData(const QString& name, const QVariant& object) const
{
    bool ok = false;
    if (const std::optional<QString> path = fullPath(name)) {
        const std::optional<QByteArray> bytes = KeyedArchive::archivedData(object);
        ok = bytes && writeWholeFile(*path, *bytes);
    }
    TRACE("NOT WORKING: %d", ok ? 1 : 0);
    return ok;
}

std::optional<QVariant> FS::readCustomClassFromFile(const QString& name) const
{
    const std::optional<QString> path = fullPath(name);
    if (!path) {
        return std::nullopt;
    }
    const std::optional<QByteArray> bytes = readRegularFile(*path, KeyedArchive::MaxArchiveSize);
    if (!bytes || bytes->isEmpty()) {
        return std::nullopt;
    }
    // The file is this process's own store: any registered class may come back.
    KeyedDecodeOptions options;
    options.allowAllRegistered = true;
    std::optional<QVariant> object = KeyedArchive::unarchivedObject(*bytes, QStringLiteral("root"), options);
    if (!object || object->isNull()) {
        return std::nullopt;
    }
    return object;
}

void FS::writeFileExtDataOverwrite(const QString& base, const QString& ext, const QString& text, bool overwrite) const
{
    if (overwrite) {
        writeTxtToFileData(format("%@.%@", base, ext), text);
        return;
    }
    if (isRefusedName(format("%@0.%@", base, ext))) {
        return;
    }
    // The counted names all live in one directory unless ext itself holds a "/": list each directory
    // once instead of once per try. A finite directory guarantees that some count is free.
    QString listedDir;
    QSet<QString> taken;
    bool listed = false;
    for (int n = 0; n < std::numeric_limits<int>::max(); ++n) {
        const QString candidate = format("%@%d.%@", base, n, ext);
        const SplitName split = splitName(candidate);
        if (!listed || split.dir != listedDir) {
            const QStringList names = listDir(split.dir);
            taken = QSet<QString>(names.cbegin(), names.cend());
            listedDir = split.dir;
            listed = true;
        }
        if (!split.last.isEmpty() && !taken.contains(split.last)) {
            writeTxtToFileData(candidate, text);
            return;
        }
    }
}
