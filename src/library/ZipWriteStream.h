#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

struct ZipCipherWriter;

/**
 * Writes the bytes of one new entry of an archive opened for writing. Valid while its archive is
 * open and until finishedWriting(). Failures raise ZipException.
 *
 * A stream made for a password entry compresses and encrypts the bytes itself (classic PKWARE
 * encryption, read by every common zip tool) and hands the finished bytes to the archive raw.
 */
class ZipWriteStream
{
public:
    /** A stream on the writer handle zipFile (not owned) for the entry fileNameInZip. */
    ZipWriteStream(void* zipFile, const QString& fileNameInZip);
    /** A stream for a password entry: cipher holds the compressor and cipher state (taken over). */
    ZipWriteStream(void* zipFile, const QString& fileNameInZip, std::unique_ptr<ZipCipherWriter> cipher);
    ~ZipWriteStream();
    ZipWriteStream(const ZipWriteStream&) = delete;
    ZipWriteStream& operator=(const ZipWriteStream&) = delete;

    /** Appends all bytes of data to the entry; raises "Error writing '%@' in the zipfile". */
    void writeData(const QByteArray& data);
    /** Closes the entry; raises "Error closing '%@' in the zipfile". */
    void finishedWriting();

    /** The entry's name. */
    QString fileNameInZip() const { return m_fileNameInZip; }

private:
    void* m_zipFile = nullptr;
    QString m_fileNameInZip;
    std::unique_ptr<ZipCipherWriter> m_cipher;
};
