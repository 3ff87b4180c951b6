#include "ZipCipherReader.h"

#include <minizip/unzip.h>

namespace {

constexpr int Chunk = 64 * 1024;

} // namespace

ZipCipherReader::ZipCipherReader(const QByteArray& password, bool inflating) : crypto(password), inflating(inflating) {}

ZipCipherReader::~ZipCipherReader()
{
    if (streamReady) {
        inflateEnd(&stream);
    }
}

int ZipCipherReader::begin(void* unzFile, quint8 check)
{
    char header[ZipCrypto::headerSize];
    const int got = unzReadCurrentFile(unzFile, header, ZipCrypto::headerSize);
    if (got < 0) {
        return got;
    }
    if (got != ZipCrypto::headerSize) {
        return UNZ_BADZIPFILE;
    }
    crypto.decrypt(header, ZipCrypto::headerSize);
    if (quint8(header[ZipCrypto::headerSize - 1]) != check) {
        return UNZ_PARAMERROR;
    }
    if (inflating) {
        const int result = inflateInit2(&stream, -MAX_WBITS);
        if (result != Z_OK) {
            return result;
        }
        streamReady = true;
        in.resize(Chunk);
    }
    return UNZ_OK;
}

qint64 ZipCipherReader::read(void* unzFile, char* out, unsigned int length)
{
    void* file = unzFile;
    if (!inflating) {
        const int got = unzReadCurrentFile(file, out, length);
        if (got > 0) {
            crypto.decrypt(out, unsigned(got));
        }
        return got;
    }
    if (streamEnded) {
        return 0;
    }
    stream.next_out = reinterpret_cast<Bytef*>(out);
    stream.avail_out = length;
    while (stream.avail_out > 0) {
        if (stream.avail_in == 0 && !inputEnded) {
            const int got = unzReadCurrentFile(file, in.data(), Chunk);
            if (got < 0) {
                return got;
            }
            if (got == 0) {
                inputEnded = true;
            } else {
                crypto.decrypt(in.data(), unsigned(got));
                stream.next_in = reinterpret_cast<Bytef*>(in.data());
                stream.avail_in = unsigned(got);
            }
        }
        const unsigned before = stream.avail_out;
        const int result = inflate(&stream, Z_NO_FLUSH);
        if (result == Z_STREAM_END) {
            streamEnded = true;
            break;
        }
        if (result == Z_BUF_ERROR && inputEnded && stream.avail_in == 0) {
            // The raw data ended inside the deflate stream: a truncated or damaged entry.
            return UNZ_BADZIPFILE;
        }
        if (result != Z_OK && result != Z_BUF_ERROR) {
            return result == Z_MEM_ERROR ? UNZ_INTERNALERROR : UNZ_BADZIPFILE;
        }
        if (inputEnded && stream.avail_in == 0 && before == stream.avail_out) {
            return UNZ_BADZIPFILE;
        }
    }
    return qint64(length - stream.avail_out);
}
