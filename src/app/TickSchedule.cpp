#include "TickSchedule.h"

#include <algorithm>

namespace {

constexpr qint64 NanosecondsPerSecond = 1000000000;
constexpr qint64 NanosecondsPerMillisecond = 1000000;

} // namespace

TickSchedule::TickSchedule(int perSecond) : m_perSecond(std::max(1, perSecond)) {}

int TickSchedule::start(qint64 nowNs)
{
    m_startNs = nowNs;
    m_count = 1;
    return waitUntil(dueAt(m_count), nowNs);
}

int TickSchedule::next(qint64 nowNs)
{
    ++m_count;
    // More than a whole period behind (a long step, a suspended machine): the missed ticks are not
    // run one after another, the schedule continues from now.
    if (nowNs - dueAt(m_count) >= NanosecondsPerSecond / m_perSecond) {
        return start(nowNs);
    }
    return waitUntil(dueAt(m_count), nowNs);
}

// Whole seconds and the remaining ticks are kept apart, so the product never overflows and each
// deadline is exact to the nanosecond.
qint64 TickSchedule::dueAt(qint64 count) const
{
    return m_startNs + (count / m_perSecond) * NanosecondsPerSecond +
           (count % m_perSecond) * NanosecondsPerSecond / m_perSecond;
}

// Rounded up, so that a timer of whole milliseconds never fires before the deadline.
int TickSchedule::waitUntil(qint64 due, qint64 nowNs) const
{
    const qint64 remaining = std::max<qint64>(0, due - nowNs);
    return int((remaining + NanosecondsPerMillisecond - 1) / NanosecondsPerMillisecond);
}
