#pragma once

#include "Clock.h"

/**
 * A clock that stands still until the test moves it. Installs itself as the current clock while it
 * lives.
 */
class ManualClock : public Clock
{
public:
    explicit ManualClock(const QDateTime& start = QDateTime(QDate(2026, 12, 5), QTime(9, 5, 3)));
    ~ManualClock() override;

    QDateTime now() const override { return m_now; }
    double monotonic() const override { return m_monotonic; }

    void setNow(const QDateTime& now) { m_now = now; }
    /** Moves both the wall clock and the monotonic clock forward by seconds. */
    void advance(double seconds);

private:
    QDateTime m_now;
    double m_monotonic = 1000.0;
};
