#pragma once

#include "Format.h"

/**
 * The process log: one line on standard error, "2026-12-06 19:30:56.123 carrowen[1234:1234] text",
 * with local date and time, process name, pid and thread id. Greetings and printers write here.
 */
void processLog(const QString& text);
/** processLog of a text given as UTF-8 bytes: written as it is, without a copy. */
void processLogUtf8(QByteArrayView text);

template <typename... Args> void processLogf(const char* fmt, const Args&... args)
{
    processLog(formatList(QString::fromUtf8(fmt), QVariantList{format_detail::toArg(args)...}));
}
