#pragma once

#include <QDateTime>

#include <optional>

/**
 * A stopwatch with a start and an end, each set by hand to the current moment of Clock::current().
 * An end keeps both the wall-clock date (to show) and the monotonic reading (to measure), so that
 * intervals are not disturbed by changes of the wall clock. Readings answer 0 while an end is unset.
 */
class Stopwatch
{
public:
    /** A stopwatch with neither end set. */
    Stopwatch() = default;
    /** A stopwatch with both ends set to the same moment, now. */
    static Stopwatch startedNow();

    void setStart();
    void setEnd();
    /** Sets both ends to the same moment, now. */
    void setStartAndEnd();
    /** Sets the end to now, answers end - start in seconds (0 without a start), then moves the start to
     *  that end, so that successive calls answer the time between calls. */
    double lap();
    /** end - start in seconds (negative when the end was set before the start); 0 while either end is
     *  unset. */
    double seconds() const;
    std::optional<QDateTime> start() const;
    std::optional<QDateTime> end() const;

private:
    struct Stamp
    {
        QDateTime date;
        double monotonic = 0.0;
    };
    static Stamp now();

    std::optional<Stamp> m_start;
    std::optional<Stamp> m_end;
};
