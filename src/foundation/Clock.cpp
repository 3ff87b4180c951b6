#include "Clock.h"

#include <atomic>
#include <time.h>

namespace {
const Clock g_systemClock;
std::atomic<const Clock*> g_current{&g_systemClock};
} // namespace

QDateTime Clock::now() const
{
    return QDateTime::currentDateTime();
}

double Clock::monotonic() const
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

const Clock& Clock::current()
{
    return *g_current.load();
}

void Clock::setCurrent(const Clock* clock)
{
    g_current.store(clock ? clock : &g_systemClock);
}
