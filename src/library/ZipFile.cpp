#include "ZipFile.h"

#include "ZipCipherReader.h"
#include "ZipCipherWriter.h"

#include "Files.h"
#include "Format.h"

#include <minizip/unzip.h>
#include <minizip/zip.h>

#include <QDate>
#include <QTime>

#include <algorithm>
#include <cstdio>

namespace {

// General-purpose flag bits of an entry.
constexpr uLong FlagEncrypted = 0x1;
constexpr uLong FlagDataDescriptor = 0x8;
constexpr uLong FlagUtf8Name = 0x800;
// "Version made by": host 3 (Unix), format version 2.0.
constexpr uLong MadeByUnix = (3u << 8) | 20u;
// Names are read into a 256-byte buffer first; a longer name is read again whole.
constexpr uLong NameBuffer = 256;

constexpr ZPOS64_T Max32 = 0xffffffffu;

quint64 little(const QByteArray& bytes, qsizetype at, int width)
{
    quint64 value = 0;
    for (int i = width - 1; i >= 0; --i) {
        value = (value << 8) | quint8(bytes[at + i]);
    }
    return value;
}

// Takes the uncompressed and compressed sizes from a ZIP64 extra field (id 1), each present only when
// the 32-bit field holds 0xffffffff, in that order.
void applyZip64Sizes(const QByteArray& extra, unz_file_info64& info)
{
    for (qsizetype at = 0; at + 4 <= extra.size();) {
        const auto id = little(extra, at, 2);
        const auto size = qsizetype(little(extra, at + 2, 2));
        const qsizetype end = at + 4 + size;
        if (end > extra.size()) {
            return;
        }
        if (id == 1) {
            qsizetype field = at + 4;
            if (info.uncompressed_size == Max32 && field + 8 <= end) {
                info.uncompressed_size = little(extra, field, 8);
                field += 8;
            }
            if (info.compressed_size == Max32 && field + 8 <= end) {
                info.compressed_size = little(extra, field, 8);
            }
            return;
        }
        at = end;
    }
}

struct CurrentEntry
{
    unz_file_info64 info{};
    QString name;
};

// The selected entry's header and its full name; answers the library's code.
int currentEntry(void* unzFile, CurrentEntry& entry)
{
    QByteArray name(NameBuffer + 1, '\0');
    int result = unzGetCurrentFileInfo64(unzFile, &entry.info, name.data(), NameBuffer, nullptr, 0, nullptr, 0);
    if (result != UNZ_OK) {
        return result;
    }
    if (entry.info.size_filename > NameBuffer) {
        name = QByteArray(qsizetype(entry.info.size_filename) + 1, '\0');
        result = unzGetCurrentFileInfo64(unzFile, &entry.info, name.data(), entry.info.size_filename, nullptr, 0,
                                         nullptr, 0);
        if (result != UNZ_OK) {
            return result;
        }
    }
    if ((entry.info.uncompressed_size == Max32 || entry.info.compressed_size == Max32) &&
        entry.info.size_file_extra > 0) {
        // The library misses 64-bit sizes in the ZIP64 extra field on this platform: read them here.
        QByteArray extra(qsizetype(entry.info.size_file_extra), '\0');
        unz_file_info64 again{};
        result = unzGetCurrentFileInfo64(unzFile, &again, nullptr, 0, extra.data(), uLong(extra.size()), nullptr, 0);
        if (result != UNZ_OK) {
            return result;
        }
        applyZip64Sizes(extra, entry.info);
    }
    entry.name = QString::fromUtf8(name.constData(),
                                   qsizetype(std::min<uLong>(entry.info.size_filename, uLong(name.size() - 1))));
    return UNZ_OK;
}

int levelOf(const unz_file_info64& info)
{
    if (info.compression_method == 0) {
        return 0;
    }
    switch ((info.flag >> 1) & 3) {
    case 0:
        return -1;
    case 1:
        return 9;
    default:
        return 1;
    }
}

QDateTime dateOf(const unz_file_info64& info)
{
    const tm_unz& t = info.tmu_date;
    return QDateTime(QDate(int(t.tm_year), int(t.tm_mon) + 1, int(t.tm_mday)),
                     QTime(int(t.tm_hour), int(t.tm_min), int(t.tm_sec)), Qt::LocalTime);
}

// The library's own file functions, with a larger stdio buffer: its default one turns a 50 MB
// archive into thousands of small reads and writes.
zlib_filefunc64_def defaultFileFunctions()
{
    zlib_filefunc64_def functions{};
    fill_fopen64_filefunc(&functions);
    return functions;
}

const zlib_filefunc64_def kLibraryFileFunctions = defaultFileFunctions();

voidpf ZCALLBACK openBuffered(voidpf opaque, const void* fileName, int mode)
{
    voidpf stream = kLibraryFileFunctions.zopen64_file(opaque, fileName, mode);
    if (stream) {
        std::setvbuf(static_cast<FILE*>(stream), nullptr, _IOFBF, 256 * 1024);
    }
    return stream;
}

zlib_filefunc64_def bufferedFileFunctions()
{
    zlib_filefunc64_def functions = kLibraryFileFunctions;
    functions.zopen64_file = openBuffered;
    return functions;
}

// Whether path holds an archive with no entries: only the end record, perhaps with its comment.
// The library refuses to open these, yet they are valid archives (what closing an empty one writes).
bool isEmptyArchive(const QString& path)
{
    const std::optional<QByteArray> read = files::readBoundedFile(path, 22 + 0xffff);
    if (!read || read->size() < 22) {
        return false;
    }
    const QByteArray& bytes = *read;
    return bytes.startsWith("PK\x05\x06") && little(bytes, 8, 2) == 0 && little(bytes, 10, 2) == 0 &&
           qsizetype(little(bytes, 20, 2)) == bytes.size() - 22;
}

} // namespace

ZipFile::ZipFile(const QString& fileName, int mode) : m_fileName(fileName), m_mode(mode)
{
    const QByteArray path = fileName.toUtf8();
    zlib_filefunc64_def functions = bufferedFileFunctions();
    switch (mode) {
    case ZipFileModeUnzip:
        m_unzFile = unzOpen2_64(path.constData(), &functions);
        break;
    case ZipFileModeCreate:
        m_zipFile = zipOpen2_64(path.constData(), APPEND_STATUS_CREATE, nullptr, &functions);
        break;
    case ZipFileModeAppend:
        m_zipFile = zipOpen2_64(path.constData(), APPEND_STATUS_ADDINZIP, nullptr, &functions);
        break;
    default:
        throw ZipException(format("Unknown mode %d", mode));
    }
    if (mode == ZipFileModeUnzip && !m_unzFile) {
        m_emptyArchive = isEmptyArchive(fileName);
    }
    if (!m_unzFile && !m_zipFile && !m_emptyArchive) {
        throw ZipException(format("Can't open '%@'", fileName));
    }
}

ZipFile::~ZipFile()
{
    // Closing here keeps the handles from leaking and writes the directory of an archive being
    // written; a failure has nowhere to go from a destructor.
    if (m_zipFile) {
        zipClose(m_zipFile, nullptr);
    }
    if (m_unzFile) {
        unzClose(m_unzFile);
    }
}

void ZipFile::requireUnzipMode() const
{
    if (m_mode != ZipFileModeUnzip) {
        throw ZipException(QStringLiteral("Operation not permitted without Unzip mode"));
    }
}

void ZipFile::requireWriteMode() const
{
    if (m_mode == ZipFileModeUnzip) {
        throw ZipException(QStringLiteral("Operation not permitted with Unzip mode"));
    }
}

std::unique_ptr<ZipWriteStream> ZipFile::writeFileInZipWithNameCompressionLevel(const QString& fileNameInZip, int level)
{
    requireWriteMode();
    return openEntry(fileNameInZip, QDateTime::currentDateTime(), level, std::nullopt, 0);
}

std::unique_ptr<ZipWriteStream>
ZipFile::writeFileInZipWithNameFileDateCompressionLevel(const QString& fileNameInZip, const QDateTime& date, int level)
{
    requireWriteMode();
    return openEntry(fileNameInZip, date, level, std::nullopt, 0);
}

std::unique_ptr<ZipWriteStream> ZipFile::writeFileInZipWithNameFileDateCompressionLevelPasswordCrc32(
    const QString& fileNameInZip, const QDateTime& date, int level, const QString& password, quint32 crc32)
{
    requireWriteMode();
    // A null text stands for no password; an empty one is a password like any other.
    return openEntry(fileNameInZip, date, level, password.isNull() ? std::nullopt : std::optional(password), crc32);
}

std::unique_ptr<ZipWriteStream> ZipFile::openEntry(const QString& fileNameInZip, const QDateTime& date, int level,
                                                   const std::optional<QString>& password, quint32 crc32)
{
    const QDateTime local = date.toLocalTime();
    zip_fileinfo fileInfo{};
    fileInfo.tmz_date.tm_sec = uInt(local.time().second());
    fileInfo.tmz_date.tm_min = uInt(local.time().minute());
    fileInfo.tmz_date.tm_hour = uInt(local.time().hour());
    fileInfo.tmz_date.tm_mday = uInt(local.date().day());
    fileInfo.tmz_date.tm_mon = uInt(local.date().month() - 1);
    fileInfo.tmz_date.tm_year = uInt(local.date().year());

    // The DOS date and the internal and external attributes stay 0: the entries carry no permissions,
    // so unpackers use their defaults. "Made by" is Unix all the same: for an MS-DOS host Info-ZIP
    // converts the names from code page 437 and then finds the UTF-8 names in the two headers
    // mismatching.
    const QByteArray name = fileNameInZip.toUtf8();
    const int method = level != 0 ? Z_DEFLATED : 0;

    std::unique_ptr<ZipCipherWriter> cipher;
    if (password || level != 0) {
        // The library's own encryption is unusable here, so password entries are deflated and
        // encrypted by the stream and handed to the library raw, with the encryption flag set.
        // Plain deflated entries go the same way without the cipher, so that one compressor serves
        // every entry instead of one being made and freed per entry.
        cipher = std::make_unique<ZipCipherWriter>(password ? std::optional(password->toUtf8()) : std::nullopt, level,
                                                   crc32);
        if (const int result = cipher->init(); result != Z_OK) {
            throw ZipException(result, format("Error opening '%@' in zipfile", fileNameInZip));
        }
    }
    const uLong flags = FlagUtf8Name | (cipher && cipher->encrypting ? FlagEncrypted : 0);
    int result = zipOpenNewFileInZip4_64(m_zipFile, name.constData(), &fileInfo, nullptr, 0, nullptr, 0, nullptr,
                                         method, level, cipher ? 1 : 0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY,
                                         nullptr, 0, MadeByUnix, flags, 1);
    if (result == ZIP_OK && cipher) {
        result = cipher->begin(m_zipFile);
    }
    if (result != ZIP_OK) {
        throw ZipException(result, format("Error opening '%@' in zipfile", fileNameInZip));
    }
    if (cipher) {
        return std::make_unique<ZipWriteStream>(m_zipFile, fileNameInZip, std::move(cipher));
    }
    return std::make_unique<ZipWriteStream>(m_zipFile, fileNameInZip);
}

quint64 ZipFile::numFilesInZip()
{
    requireUnzipMode();
    if (m_emptyArchive) {
        return 0;
    }
    unz_global_info64 info{};
    if (const int result = unzGetGlobalInfo64(m_unzFile, &info); result != UNZ_OK) {
        throw ZipException(result, format("Error getting global info in '%@'", m_fileName));
    }
    return info.number_entry;
}

QList<FileInZipInfo> ZipFile::listFileInZipInfos()
{
    const quint64 count = numFilesInZip();
    QList<FileInZipInfo> infos;
    if (count < 1) {
        return infos;
    }
    goToFirstFileInZip();
    for (quint64 i = 0; i < count; ++i) {
        infos.append(getCurrentFileInZipInfo());
        if (i + 1 < count) {
            goToNextFileInZip();
        }
    }
    return infos;
}

void ZipFile::goToFirstFileInZip()
{
    requireUnzipMode();
    if (const int result = unzGoToFirstFile(m_unzFile); result != UNZ_OK) {
        throw ZipException(result, format("Error going to first file in zip in '%@'", m_fileName));
    }
}

bool ZipFile::goToNextFileInZip()
{
    requireUnzipMode();
    if (m_emptyArchive) {
        return false;
    }
    const int result = unzGoToNextFile(m_unzFile);
    if (result == UNZ_END_OF_LIST_OF_FILE) {
        return false;
    }
    if (result != UNZ_OK) {
        throw ZipException(result, format("Error going to next file in zip in '%@'", m_fileName));
    }
    return true;
}

bool ZipFile::locateFileInZip(const QString& fileNameInZip)
{
    requireUnzipMode();
    if (m_emptyArchive) {
        return false;
    }
    const int result = unzLocateFile(m_unzFile, fileNameInZip.toUtf8().constData(), 0);
    if (result == UNZ_END_OF_LIST_OF_FILE) {
        return false;
    }
    if (result != UNZ_OK) {
        throw ZipException(result, format("Error localting file in zip in '%@'", m_fileName));
    }
    return true;
}

FileInZipInfo ZipFile::getCurrentFileInZipInfo()
{
    requireUnzipMode();
    CurrentEntry entry;
    if (const int result = currentEntry(m_unzFile, entry); result != UNZ_OK) {
        throw ZipException(result, format("Error getting current file info in '%@'", m_fileName));
    }
    const unz_file_info64& info = entry.info;
    return FileInZipInfo(entry.name, info.uncompressed_size, levelOf(info), (info.flag & FlagEncrypted) != 0,
                         info.compressed_size, dateOf(info), info.crc);
}

std::unique_ptr<ZipReadStream> ZipFile::readCurrentFileInZip()
{
    return openCurrent(nullptr);
}

std::unique_ptr<ZipReadStream> ZipFile::readCurrentFileInZipWithPassword(const QString& password)
{
    return openCurrent(&password);
}

std::unique_ptr<ZipReadStream> ZipFile::openCurrent(const QString* password)
{
    requireUnzipMode();
    CurrentEntry entry;
    if (const int result = currentEntry(m_unzFile, entry); result != UNZ_OK) {
        throw ZipException(result, format("Error getting current file info in '%@'", m_fileName));
    }
    const unz_file_info64& info = entry.info;
    const auto crc = quint32(info.crc);

    if ((info.flag & FlagEncrypted) == 0) {
        // A plain entry opens the same way with or without a password.
        if (const int result = unzOpenCurrentFile(m_unzFile); result != UNZ_OK) {
            throw ZipException(result, format("Error opening current file in '%@'", m_fileName));
        }
        return std::make_unique<ZipReadStream>(m_unzFile, entry.name, info.uncompressed_size, crc);
    }

    if (!password || (info.compression_method != 0 && info.compression_method != Z_DEFLATED)) {
        // Encrypted data without a password (or in a method this reader lacks) cannot be read.
        throw ZipException(UNZ_PARAMERROR, format("Error opening current file in '%@'", m_fileName));
    }
    int method = 0;
    int level = 0;
    if (const int result = unzOpenCurrentFile3(m_unzFile, &method, &level, 1, nullptr); result != UNZ_OK) {
        throw ZipException(result, format("Error opening current file in '%@'", m_fileName));
    }
    // The header's last byte repeats the CRC's high byte, or the time's high byte when the sizes and
    // CRC follow the data.
    const auto check = quint8((info.flag & FlagDataDescriptor) ? (info.dosDate >> 8) & 0xff : (crc >> 24) & 0xff);
    auto cipher = std::make_unique<ZipCipherReader>(password->toUtf8(), method == Z_DEFLATED);
    if (const int result = cipher->begin(m_unzFile, check); result != UNZ_OK) {
        unzCloseCurrentFile(m_unzFile);
        throw ZipException(result, format("Error opening current file in '%@'", m_fileName));
    }
    return std::make_unique<ZipReadStream>(m_unzFile, entry.name, info.uncompressed_size, crc, std::move(cipher));
}

void ZipFile::close()
{
    int result = ZIP_OK;
    switch (m_mode) {
    case ZipFileModeCreate:
    case ZipFileModeAppend:
        result = zipClose(m_zipFile, nullptr);
        m_zipFile = nullptr;
        break;
    case ZipFileModeUnzip:
        result = m_emptyArchive && m_unzFile == nullptr ? UNZ_OK : unzClose(m_unzFile);
        m_emptyArchive = false;
        m_unzFile = nullptr;
        break;
    default:
        throw ZipException(format("Unknown mode %d", m_mode));
    }
    if (result != ZIP_OK) {
        throw ZipException(result, format("Error closing '%@'", m_fileName));
    }
}
