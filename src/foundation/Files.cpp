#include "Files.h"

#include <QFile>
#include <QStringDecoder>

#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

namespace {

// Control characters that do not occur in text files: their presence marks the bytes as binary.
bool isBinaryControl(char32_t c)
{
    return (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\v' && c != u'\f' && c != u'\r' && c != 0x1B) || c == 0x7F;
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
    if (decoder.hasError()) {
        return std::nullopt;
    }
    for (const QChar c : text) {
        if (isBinaryControl(c.unicode())) {
            return std::nullopt;
        }
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

} // namespace

QList<QByteArray> directoryEntryBytes(const QByteArray& dirPath)
{
    QList<QByteArray> names;
    DIR* dir = ::opendir(dirPath.constData());
    if (!dir) {
        return names;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const char* n = entry->d_name;
        if (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'))) {
            continue;
        }
        names.append(QByteArray(n));
    }
    ::closedir(dir);
    return names;
}

QStringList directoryEntries(const QString& dirPath)
{
    QStringList names;
    for (const QByteArray& name : directoryEntryBytes(QFile::encodeName(dirPath))) {
        names.append(QFile::decodeName(name));
    }
    return names;
}

std::optional<QByteArray> readBoundedFile(const QString& path, qint64 maxBytes)
{
    // O_NONBLOCK so that opening a named pipe cannot hang; it has no effect on regular files.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > maxBytes) {
        ::close(fd);
        return std::nullopt;
    }
    QByteArray bytes;
    bytes.reserve(qsizetype(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        // The file may grow while it is read: the bound holds for what is actually read.
        if (n < 0 || bytes.size() + n > maxBytes) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        bytes.append(buffer, qsizetype(n));
    }
    ::close(fd);
    return bytes;
}

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

std::optional<QString> readTextFile(const QString& path)
{
    const std::optional<QByteArray> bytes = readBoundedFile(path, MaxTextBytes);
    if (!bytes) {
        return std::nullopt;
    }
    return decodeText(*bytes);
}

bool isAscii(QStringView text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0x7F) {
            return false;
        }
    }
    return true;
}

} // namespace files
