#include "ZipCipherWriter.h"

#include <QRandomGenerator>

#include <minizip/zip.h>

#include <algorithm>
#include <utility>

namespace {

constexpr int Chunk = 64 * 1024;

int writeRaw(void* zipFile, char* data, unsigned int length, ZipCrypto* crypto)
{
    if (crypto) {
        crypto->encrypt(data, length);
    }
    return zipWriteInFileInZip(zipFile, data, length);
}

// One compressor kept per thread and reset for each entry: allocating and freeing the compressor's
// 270 KB per entry makes the C library grow and trim its heap every time, which costs more than
// compressing a small file.
struct CompressorCache
{
    z_stream* stream = nullptr;
    ~CompressorCache()
    {
        if (stream) {
            deflateEnd(stream);
            delete stream;
        }
    }
};
thread_local CompressorCache compressorCache;

} // namespace

ZipCipherWriter::ZipCipherWriter(const std::optional<QByteArray>& password, int level, quint32 headerCrc)
    : crypto(password.value_or(QByteArray())), encrypting(password.has_value()), level(level), deflating(level != 0),
      headerCrc(headerCrc), crc(crc32(0L, Z_NULL, 0)), out(Chunk, Qt::Uninitialized)
{
}

ZipCipherWriter::~ZipCipherWriter()
{
    if (!stream) {
        return;
    }
    if (!compressorCache.stream) {
        compressorCache.stream = stream;
    } else {
        deflateEnd(stream);
        delete stream;
    }
}

int ZipCipherWriter::init()
{
    if (!deflating) {
        return Z_OK;
    }
    if (compressorCache.stream) {
        stream = std::exchange(compressorCache.stream, nullptr);
        int result = deflateReset(stream);
        if (result == Z_OK) {
            result = deflateParams(stream, level, Z_DEFAULT_STRATEGY);
        }
        if (result == Z_OK) {
            return Z_OK;
        }
        deflateEnd(stream);
        delete stream;
        stream = nullptr;
    }
    auto* fresh = new z_stream{};
    const int result = deflateInit2(fresh, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    if (result != Z_OK) {
        delete fresh;
        return result;
    }
    stream = fresh;
    return Z_OK;
}

int ZipCipherWriter::begin(void* zipFile)
{
    if (!encrypting) {
        return ZIP_OK;
    }
    // Ten random bytes, then the CRC's two high bytes: readers check the last one (older ones both)
    // to tell a wrong password before inflating anything.
    char header[ZipCrypto::headerSize];
    QRandomGenerator* random = QRandomGenerator::system();
    for (int i = 0; i < ZipCrypto::headerSize - 2; ++i) {
        header[i] = char(random->bounded(256));
    }
    header[10] = char((headerCrc >> 16) & 0xffu);
    header[11] = char((headerCrc >> 24) & 0xffu);
    return writeRaw(zipFile, header, ZipCrypto::headerSize, &crypto);
}

int ZipCipherWriter::write(void* zipFile, const char* data, qint64 total)
{
    while (total > 0) {
        const auto part = unsigned(std::min<qint64>(total, 1 << 30));
        crc = crc32(crc, reinterpret_cast<const Bytef*>(data), part);
        length += part;
        if (!deflating) {
            // Stored: encrypt a copy chunk by chunk; the caller's data stays as it was.
            for (unsigned done = 0; done < part;) {
                const unsigned n = std::min<unsigned>(part - done, Chunk);
                std::copy_n(data + done, n, out.data());
                if (const int result = writeRaw(zipFile, out.data(), n, encrypting ? &crypto : nullptr);
                    result != ZIP_OK) {
                    return result;
                }
                done += n;
            }
        } else {
            stream->next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
            stream->avail_in = part;
            while (stream->avail_in > 0) {
                stream->next_out = reinterpret_cast<Bytef*>(out.data());
                stream->avail_out = Chunk;
                if (const int result = deflate(stream, Z_NO_FLUSH); result != Z_OK && result != Z_BUF_ERROR) {
                    return result;
                }
                const unsigned produced = Chunk - stream->avail_out;
                if (produced > 0) {
                    if (const int result = writeRaw(zipFile, out.data(), produced, encrypting ? &crypto : nullptr);
                        result != ZIP_OK) {
                        return result;
                    }
                }
            }
        }
        data += part;
        total -= part;
    }
    return ZIP_OK;
}

int ZipCipherWriter::finish(void* zipFile)
{
    if (deflating) {
        int result = Z_OK;
        do {
            stream->next_in = nullptr;
            stream->avail_in = 0;
            stream->next_out = reinterpret_cast<Bytef*>(out.data());
            stream->avail_out = Chunk;
            result = deflate(stream, Z_FINISH);
            if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) {
                return result;
            }
            const unsigned produced = Chunk - stream->avail_out;
            if (produced > 0) {
                if (const int written = writeRaw(zipFile, out.data(), produced, encrypting ? &crypto : nullptr);
                    written != ZIP_OK) {
                    return written;
                }
            }
        } while (result != Z_STREAM_END);
    }
    return zipCloseFileInZipRaw64(zipFile, length, crc);
}
