#include "ZipWriteStream.h"

#include "ZipCipherWriter.h"
#include "ZipException.h"

#include "Format.h"

#include <minizip/zip.h>

#include <algorithm>

ZipWriteStream::ZipWriteStream(void* zipFile, const QString& fileNameInZip)
    : m_zipFile(zipFile), m_fileNameInZip(fileNameInZip)
{
}

ZipWriteStream::ZipWriteStream(void* zipFile, const QString& fileNameInZip, std::unique_ptr<ZipCipherWriter> cipher)
    : m_zipFile(zipFile), m_fileNameInZip(fileNameInZip), m_cipher(std::move(cipher))
{
}

ZipWriteStream::~ZipWriteStream() = default;

void ZipWriteStream::writeData(const QByteArray& data)
{
    int result = ZIP_OK;
    if (m_cipher) {
        result = m_cipher->write(m_zipFile, data.constData(), data.size());
    } else {
        // The library takes at most 4 GB per call; larger data goes in parts of 1 GB.
        const char* bytes = data.constData();
        for (qint64 left = data.size(); left > 0 && result == ZIP_OK;) {
            const auto part = unsigned(std::min<qint64>(left, 1 << 30));
            result = zipWriteInFileInZip(m_zipFile, bytes, part);
            bytes += part;
            left -= part;
        }
    }
    if (result != ZIP_OK) {
        throw ZipException(result, format("Error writing '%@' in the zipfile", m_fileNameInZip));
    }
}

void ZipWriteStream::finishedWriting()
{
    int result = ZIP_OK;
    if (m_cipher) {
        result = m_cipher->finish(m_zipFile);
        const bool crcMatches = !m_cipher->encrypting || m_cipher->crc == m_cipher->headerCrc;
        m_cipher.reset();
        if (result == ZIP_OK && !crcMatches) {
            // The encryption header announced another CRC-32 than the data has: no reader would
            // accept any password for this entry, so the caller must know.
            result = ZIP_PARAMERROR;
        }
    } else {
        result = zipCloseFileInZip(m_zipFile);
    }
    if (result != ZIP_OK) {
        throw ZipException(result, format("Error closing '%@' in the zipfile", m_fileNameInZip));
    }
}
