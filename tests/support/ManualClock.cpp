#include "ManualClock.h"

ManualClock::ManualClock(const QDateTime& start) : m_now(start)
{
    Clock::setCurrent(this);
}

ManualClock::~ManualClock()
{
    Clock::setCurrent(nullptr);
}

void ManualClock::advance(double seconds)
{
    m_now = m_now.addMSecs(qint64(seconds * 1000.0));
    m_monotonic += seconds;
}
