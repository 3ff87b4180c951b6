#pragma once

/**
 * Time limits of the file-system service's web reads (not part of its interface; tests shorten them).
 */
namespace fs_web {

/** Limits in milliseconds: to connect, and for the whole fetch, and how long an answer may stall
 *  without a byte arriving. Values of 0 or less restore the defaults (10 s, 30 s, 15 s). */
void setTimeouts(long connectMs, long totalMs, long stallMs);

} // namespace fs_web
