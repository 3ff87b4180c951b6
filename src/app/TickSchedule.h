#pragma once

#include <QtGlobal>

/**
 * The deadlines of a repeating tick of an exact period against a monotonic clock (nanoseconds). The
 * n-th tick is due at start + n × period, computed from the start each time, so the whole
 * milliseconds a timer waits never add up to drift. A tick that comes more than a whole period late
 * is not made up: the schedule starts again from that moment.
 */
class TickSchedule
{
public:
    /** A schedule of `perSecond` ticks a second (at least 1). */
    explicit TickSchedule(int perSecond);

    /** Starts the schedule at now: the first tick is due one period later. Answers the milliseconds
     *  to wait for it. */
    int start(qint64 nowNs);
    /** A tick has run, and now is the time after it: answers the milliseconds to wait for the next
     *  one (0 when it is already due). */
    int next(qint64 nowNs);

private:
    qint64 dueAt(qint64 count) const;
    int waitUntil(qint64 due, qint64 nowNs) const;

    int m_perSecond;
    qint64 m_startNs = 0;
    qint64 m_count = 0;
};
