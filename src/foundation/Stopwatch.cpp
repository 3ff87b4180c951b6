#include "Stopwatch.h"

#include "Clock.h"

Stopwatch::Stamp Stopwatch::now()
{
    const Clock& clock = Clock::current();
    return Stamp{clock.now(), clock.monotonic()};
}

Stopwatch Stopwatch::startedNow()
{
    Stopwatch watch;
    watch.setStartAndEnd();
    return watch;
}

void Stopwatch::setStart()
{
    m_start = now();
}

void Stopwatch::setEnd()
{
    m_end = now();
}

void Stopwatch::setStartAndEnd()
{
    m_start = now();
    m_end = m_start;
}

double Stopwatch::lap()
{
    m_end = now();
    const double elapsed = seconds();
    m_start = m_end;
    return elapsed;
}

double Stopwatch::seconds() const
{
    return m_start && m_end ? m_end->monotonic - m_start->monotonic : 0.0;
}

std::optional<QDateTime> Stopwatch::start() const
{
    return m_start ? std::optional<QDateTime>(m_start->date) : std::nullopt;
}

std::optional<QDateTime> Stopwatch::end() const
{
    return m_end ? std::optional<QDateTime>(m_end->date) : std::nullopt;
}
