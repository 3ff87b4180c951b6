#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

/**
 * Web reads of the file-system service and the sound service, and their time limits (tests shorten
 * them).
 */
namespace fs_web {

struct FetchedBytes
{
    std::optional<QByteArray> body;
    std::optional<QString> error;
};

/** Fetches a web (or file:) address with the limits below, blocking the calling thread (any thread);
 *  an answer of more than maxBytes is an error. Exactly one of body and error is set. */
FetchedBytes fetch(const QString& address, qsizetype maxBytes);

/** Limits in milliseconds: to connect, and for the whole fetch, and how long an answer may stall
 *  without a byte arriving. Values of 0 or less restore the defaults (10 s, 30 s, 15 s). */
void setTimeouts(long connectMs, long totalMs, long stallMs);

} // namespace fs_web
