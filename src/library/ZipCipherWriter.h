#pragma once

#include "ZipCrypto.h"

#include <QByteArray>

#include <optional>

#include <zlib.h>

/**
 * State of one password entry being written: the entry's bytes are deflated here (raw deflate, as
 * the archive's own entries are) or stored, encrypted, and handed to the archive in raw mode.
 * Internal to the archive classes; every operation answers a zip library or zlib code, 0 for success.
 */
struct ZipCipherWriter
{
    /** level -1..9 (0 stores); headerCrc is the CRC-32 the encryption header announces. Without a
     *  password it only compresses (a plain entry written raw); an empty password still encrypts. */
    ZipCipherWriter(const std::optional<QByteArray>& password, int level, quint32 headerCrc);
    ~ZipCipherWriter();
    ZipCipherWriter(const ZipCipherWriter&) = delete;
    ZipCipherWriter& operator=(const ZipCipherWriter&) = delete;

    /** Prepares the compressor; answers zlib's code (an unusable level fails here). */
    int init();
    /** Writes the 12-byte encryption header to the open raw entry. */
    int begin(void* zipFile);
    /** Compresses, encrypts and writes length bytes. */
    int write(void* zipFile, const char* data, qint64 length);
    /** Flushes the compressor and closes the raw entry with the true length and CRC-32. */
    int finish(void* zipFile);

    ZipCrypto crypto;
    bool encrypting = false;
    z_stream* stream = nullptr;
    int level = -1;
    bool deflating = false;
    quint32 headerCrc = 0;
    uLong crc = 0;
    quint64 length = 0;
    QByteArray out;
};
