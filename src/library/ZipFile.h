#pragma once

#include "FileInZipInfo.h"
#include "ZipException.h"
#include "ZipReadStream.h"
#include "ZipWriteStream.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

/**
 * One zip archive opened in one of three modes: 0 read (ZipFileModeUnzip), 1 create a new archive,
 * replacing any file of that name (ZipFileModeCreate), 2 add entries to an existing archive
 * (ZipFileModeAppend). Hands out one stream per entry. Every failure raises ZipException; nothing
 * is answered as an error value.
 *
 * Calling order: open; in mode 0 select an entry, open a read stream, read to the end,
 * finishedReading(); in modes 1 and 2, per entry open a write stream, write, finishedWriting();
 * finally close(). An archive destroyed without close() is closed quietly by the destructor.
 *
 *     ZipFile zip(path, ZipFile::ZipFileModeUnzip);
 *     for (const FileInZipInfo& info : zip.listFileInZipInfos()) { ... }
 *     if (zip.locateFileInZip(name)) {
 *         auto stream = zip.readCurrentFileInZip();
 *         QByteArray chunk(64 * 1024, Qt::Uninitialized);
 *         while (qint64 n = stream->readDataWithBuffer(chunk)) { out.write(chunk.constData(), n); }
 *         stream->finishedReading();
 *     }
 *     zip.close();
 */
class ZipFile
{
public:
    enum Mode { ZipFileModeUnzip = 0, ZipFileModeCreate = 1, ZipFileModeAppend = 2 };

    /** Opens the archive at fileName in mode; raises "Unknown mode %d" for another mode and
     *  "Can't open '%@'" when the archive cannot be opened. */
    ZipFile(const QString& fileName, int mode);
    /** Closes the archive if close() was not called; raises nothing. */
    ~ZipFile();
    ZipFile(const ZipFile&) = delete;
    ZipFile& operator=(const ZipFile&) = delete;

    /** A stream for a new entry dated now; level -1 default, 0 stored, 1 fastest, 9 best. Raises
     *  "Operation not permitted with Unzip mode" in mode 0, "Error opening '%@' in zipfile". */
    std::unique_ptr<ZipWriteStream> writeFileInZipWithNameCompressionLevel(const QString& fileNameInZip, int level);
    /** A stream for a new entry dated date (local calendar); otherwise as above. */
    std::unique_ptr<ZipWriteStream> writeFileInZipWithNameFileDateCompressionLevel(const QString& fileNameInZip,
                                                                                   const QDateTime& date, int level);
    /** A stream for a new entry encrypted with password (classic PKWARE encryption; an empty password
     *  encrypts too, a null QString() writes a plain entry); crc32 is the CRC-32 of the data to be written, which the
     * encryption header carries. finishedWriting() raises when the data's CRC-32 does not match crc32 (the entry would
     *  not open with any password). */
    std::unique_ptr<ZipWriteStream>
    writeFileInZipWithNameFileDateCompressionLevelPasswordCrc32(const QString& fileNameInZip, const QDateTime& date,
                                                                int level, const QString& password, quint32 crc32);

    /** Number of entries (mode 0); raises "Error getting global info in '%@'". */
    quint64 numFilesInZip();
    /** Every entry's information in archive order (mode 0); an empty archive answers an empty list and
     *  leaves the selection alone, otherwise the last entry stays selected. */
    QList<FileInZipInfo> listFileInZipInfos();
    /** Selects the first entry (mode 0); raises "Error going to first file in zip in '%@'". */
    void goToFirstFileInZip();
    /** Selects the next entry (mode 0): true moved, false no more entries; other library errors raise
     *  "Error going to next file in zip in '%@'". */
    bool goToNextFileInZip();
    /** Selects the entry named fileNameInZip (mode 0, case-sensitive): true found, false not present;
     *  other library errors raise "Error localting file in zip in '%@'". */
    bool locateFileInZip(const QString& fileNameInZip);
    /** The selected entry's information (mode 0); raises "Error getting current file info in '%@'". */
    FileInZipInfo getCurrentFileInZipInfo();
    /** A read stream on the selected entry (mode 0); raises "Error opening current file in '%@'"
     *  (also for an encrypted entry, which needs a password). */
    std::unique_ptr<ZipReadStream> readCurrentFileInZip();
    /** A read stream on the selected entry, decrypting it with password when it is encrypted; a wrong
     *  password raises "Error opening current file in '%@'" (or, for the 1 in 256 wrong passwords the
     *  header check lets through, the stream raises when the data fails its CRC-32). */
    std::unique_ptr<ZipReadStream> readCurrentFileInZipWithPassword(const QString& password);
    /** Closes the archive (writing its directory in modes 1 and 2); raises "Error closing '%@'", and
     *  "Unknown mode %d" for an unknown mode. */
    void close();
    /** The path given at opening. */
    QString fileName() const { return m_fileName; }
    /** The mode given at opening. */
    int mode() const { return m_mode; }

private:
    void requireUnzipMode() const;
    void requireWriteMode() const;
    std::unique_ptr<ZipWriteStream> openEntry(const QString& fileNameInZip, const QDateTime& date, int level,
                                              const std::optional<QString>& password, quint32 crc32);
    std::unique_ptr<ZipReadStream> openCurrent(const QString* password);

    QString m_fileName;
    int m_mode = 0;
    void* m_unzFile = nullptr;
    void* m_zipFile = nullptr;
    // An archive with no entries, which the library cannot open: mode 0 answers it as empty.
    bool m_emptyArchive = false;
};
