#include "ZipReadStream.h"

#include "ZipCipherReader.h"
#include "ZipException.h"

#include "Format.h"

#include <minizip/unzip.h>

#include <zlib.h>

#include <algorithm>
#include <climits>

ZipReadStream::ZipReadStream(void* unzFile, const QString& fileNameInZip, quint64 expectedLength, quint32 expectedCrc)
    : ZipReadStream(unzFile, fileNameInZip, expectedLength, expectedCrc, nullptr)
{
}

ZipReadStream::ZipReadStream(void* unzFile, const QString& fileNameInZip, quint64 expectedLength, quint32 expectedCrc,
                             std::unique_ptr<ZipCipherReader> cipher)
    : m_unzFile(unzFile), m_fileNameInZip(fileNameInZip), m_cipher(std::move(cipher)), m_expectedLength(expectedLength),
      m_expectedCrc(expectedCrc), m_readCrc(::crc32(0L, Z_NULL, 0))
{
}

ZipReadStream::~ZipReadStream() = default;

qint64 ZipReadStream::readChunk(char* out, unsigned int length)
{
    if (m_cipher) {
        return m_cipher->read(m_unzFile, out, length);
    }
    return unzReadCurrentFile(m_unzFile, out, length);
}

qint64 ZipReadStream::readDataWithBuffer(QByteArray& buffer)
{
    if (buffer.isEmpty() || m_atEnd) {
        return 0;
    }
    // One call answers an int: larger buffers are filled up to INT_MAX bytes per call. Nothing beyond
    // the claimed length is asked for, so a library that misreads a size cannot hand out foreign bytes.
    const quint64 remaining = m_readLength < m_expectedLength ? m_expectedLength - m_readLength : 0;
    const auto length = unsigned(std::min<quint64>({quint64(buffer.size()), quint64(INT_MAX), remaining}));
    const qint64 got = readChunk(buffer.data(), length);
    if (got < 0) {
        throw ZipException(got, format("Error reading '%@' in the zipfile", m_fileNameInZip));
    }
    if (got == 0 || length == 0) {
        m_atEnd = true;
        return 0;
    }
    m_readLength += quint64(got);
    m_readCrc = ::crc32(m_readCrc, reinterpret_cast<const Bytef*>(buffer.constData()), unsigned(got));
    return got;
}

void ZipReadStream::finishedReading()
{
    m_cipher.reset();
    int result = unzCloseCurrentFile(m_unzFile);
    // An entry read to its end must be as long as its header claims and carry its CRC-32 (in raw mode
    // the library checks neither): a header that claims more or other data than there is must not
    // pass as a complete entry.
    if (result == UNZ_OK && m_atEnd) {
        if (m_readLength != m_expectedLength) {
            result = UNZ_BADZIPFILE;
        } else if (m_readCrc != m_expectedCrc) {
            result = UNZ_CRCERROR;
        }
    }
    if (result != UNZ_OK) {
        throw ZipException(result, format("Error closing '%@' in the zipfile", m_fileNameInZip));
    }
}
