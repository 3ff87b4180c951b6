#pragma once

#include "ZipCrypto.h"

#include <QByteArray>

#include <zlib.h>

/**
 * State of one password entry being read: raw bytes come from the archive in bounded chunks, are
 * decrypted, and inflated here when the entry is deflated. Internal to the archive classes.
 */
struct ZipCipherReader
{
    ZipCipherReader(const QByteArray& password, bool inflating);
    ~ZipCipherReader();
    ZipCipherReader(const ZipCipherReader&) = delete;
    ZipCipherReader& operator=(const ZipCipherReader&) = delete;

    /** Reads and deciphers the encryption header; answers 0 when its check byte equals check, a
     *  negative code when the header cannot be read or the password does not fit. */
    int begin(void* unzFile, quint8 check);
    /** Up to length plain bytes into out: the count, 0 at the end, a negative code on failure. */
    qint64 read(void* unzFile, char* out, unsigned int length);

    ZipCrypto crypto;
    z_stream stream{};
    bool inflating = false;
    bool streamReady = false;
    bool inputEnded = false;
    bool streamEnded = false;
    QByteArray in;
};
