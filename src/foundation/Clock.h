#pragma once

#include <QDateTime>

/**
 * The one source of time. Code reads Clock::current() instead of the system clock so that tests can
 * install a clock of their own (tests/support has a settable one).
 */
class Clock
{
public:
    virtual ~Clock() = default;

    /** The current moment (local time zone). */
    virtual QDateTime now() const;
    /** Seconds on a monotonic clock, for intervals and touch timing. */
    virtual double monotonic() const;

    /** The installed clock; the system clock unless a test installed another. */
    static const Clock& current();
    /** Installs clock (not owned) as the current one; nullptr restores the system clock. */
    static void setCurrent(const Clock* clock);
};
