#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

struct ZipCipherReader;

/**
 * Reads the bytes of the selected entry of an archive opened for reading. Valid while its archive is
 * open, until finishedReading() and until another entry is selected. Failures raise ZipException.
 *
 * Reading never trusts the sizes the archive claims: nothing beyond the claimed length is read, and
 * finishedReading() of an entry read to its end whose data does not match its header's length and
 * CRC-32 raises "Error closing '%@' in the zipfile".
 */
class ZipReadStream
{
public:
    /** A stream on the reader handle unzFile (not owned) for the entry fileNameInZip, whose header
     *  claims expectedLength bytes with CRC-32 expectedCrc. */
    ZipReadStream(void* unzFile, const QString& fileNameInZip, quint64 expectedLength = 0, quint32 expectedCrc = 0);
    /** A stream for a password entry: cipher holds the decipher and decompressor state (taken over). */
    ZipReadStream(void* unzFile, const QString& fileNameInZip, quint64 expectedLength, quint32 expectedCrc,
                  std::unique_ptr<ZipCipherReader> cipher);
    ~ZipReadStream();
    ZipReadStream(const ZipReadStream&) = delete;
    ZipReadStream& operator=(const ZipReadStream&) = delete;

    /** Reads up to buffer.size() bytes into buffer and answers how many it read, 0 at the end of the
     *  entry; raises "Error reading '%@' in the zipfile" on a library error. */
    qint64 readDataWithBuffer(QByteArray& buffer);
    /** Closes the entry; raises "Error closing '%@' in the zipfile" on a library error or when the
     *  entry was read to its end and its data does not match its header's length and CRC-32. */
    void finishedReading();

    /** The entry's name. */
    QString fileNameInZip() const { return m_fileNameInZip; }

private:
    qint64 readChunk(char* out, unsigned int length);

    void* m_unzFile = nullptr;
    QString m_fileNameInZip;
    std::unique_ptr<ZipCipherReader> m_cipher;
    quint64 m_expectedLength = 0;
    quint32 m_expectedCrc = 0;
    quint64 m_readLength = 0;
    quint32 m_readCrc = 0;
    bool m_atEnd = false;
};
