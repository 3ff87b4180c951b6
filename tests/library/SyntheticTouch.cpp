#include "SyntheticTouch.h"

#include "Gestures.h"
#include "ManualClock.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace synth {

namespace {

class Shaker
{
public:
    Shaker(unsigned seed, double amount) : m_engine(seed), m_offset(-amount, amount), m_amount(amount) {}
    QPointF operator()(QPointF p)
    {
        if (m_amount <= 0) {
            return p;
        }
        const double dx = m_offset(m_engine);
        const double dy = m_offset(m_engine);
        return p + QPointF(dx, dy);
    }

private:
    std::mt19937 m_engine;
    std::uniform_real_distribution<double> m_offset;
    double m_amount;
};

QPointF inBox(QPointF unit, const Style& style)
{
    return style.topLeft + QPointF(unit.x() * style.box.width(), unit.y() * style.box.height());
}

double length(QPointF a, QPointF b)
{
    return std::hypot(b.x() - a.x(), b.y() - a.y());
}

// The path in the frame, resampled at the style's step: first point, then points at most one step
// apart, always including each corner and the last point.
std::vector<QPointF> resample(const std::vector<QPointF>& path, const Style& style)
{
    std::vector<QPointF> points;
    if (path.empty()) {
        return points;
    }
    points.push_back(inBox(path.front(), style));
    for (size_t k = 1; k < path.size(); ++k) {
        const QPointF a = inBox(path[k - 1], style);
        const QPointF b = inBox(path[k], style);
        const int steps = std::max(1, int(std::ceil(length(a, b) / style.step)));
        for (int j = 1; j <= steps; ++j) {
            points.push_back(a + (b - a) * (double(j) / steps));
        }
    }
    return points;
}

double pathLength(const std::vector<QPointF>& framePath)
{
    double total = 0;
    for (size_t k = 1; k < framePath.size(); ++k) {
        total += length(framePath[k - 1], framePath[k]);
    }
    return total;
}

// One host call for a sample.
void feed(Gestures& gestures, const Sample& s)
{
    switch (s.phase) {
    case Phase::Began:
        gestures.GSBeganTouchEventPosition(s.finger, s.position);
        break;
    case Phase::Moved:
        gestures.GSMovedTouchEventPosition(s.finger, s.position);
        break;
    case Phase::Ended:
        gestures.GSEndedTouchEventPosition(s.finger, s.position);
        break;
    }
}

// The point a fraction t (0..1) along the path, by length.
QPointF along(const std::vector<QPointF>& framePath, double t)
{
    if (framePath.size() == 1) {
        return framePath.front();
    }
    double wanted = t * pathLength(framePath);
    for (size_t k = 1; k < framePath.size(); ++k) {
        const double segment = length(framePath[k - 1], framePath[k]);
        if (wanted <= segment || k + 1 == framePath.size()) {
            const double f = segment > 0 ? std::min(1.0, wanted / segment) : 1.0;
            return framePath[k - 1] + (framePath[k] - framePath[k - 1]) * f;
        }
        wanted -= segment;
    }
    return framePath.back();
}

} // namespace

QPointF toHost(QPointF frame)
{
    return QPointF(frame.x() / 1.5, frame.y());
}

Style Style::placed(double size, double x, double y) const
{
    Style s = *this;
    s.box = QSizeF(size, size);
    s.topLeft = QPointF(x, y);
    return s;
}

Style Style::centred(QSizeF size) const
{
    Style s = *this;
    s.box = size;
    s.topLeft = QPointF((480 - size.width()) / 2, (480 - size.height()) / 2);
    return s;
}

Touch stroke(const std::vector<QPointF>& path, const Style& style)
{
    Shaker shake(style.seed, style.jitter);
    const std::vector<QPointF> points = resample(path, style);
    Touch touch;
    double t = 0;
    touch.push_back({Phase::Began, 0, toHost(shake(points.front())), t});
    QPointF last = points.front();
    for (size_t k = 1; k < points.size(); ++k) {
        t += style.interval;
        last = shake(points[k]);
        touch.push_back({Phase::Moved, 0, toHost(last), t});
    }
    // The lift comes where the finger last was.
    t += style.interval;
    touch.push_back({Phase::Ended, 0, toHost(last), t});
    return touch;
}

Touch fingers(const std::vector<std::vector<QPointF>>& paths, const Style& style, int minFrames)
{
    Shaker shake(style.seed, style.jitter);
    std::vector<std::vector<QPointF>> framePaths;
    double longest = 0;
    for (const auto& path : paths) {
        std::vector<QPointF> framePath;
        for (const QPointF& p : path) {
            framePath.push_back(inBox(p, style));
        }
        longest = std::max(longest, pathLength(framePath));
        framePaths.push_back(framePath);
    }
    const int frames = std::max(minFrames, int(std::ceil(longest / style.step)));
    const int count = int(paths.size());
    const double slice = style.interval / std::max(1, count);

    Touch touch;
    double t = 0;
    std::vector<QPointF> at(paths.size());
    for (int f = 0; f < count; ++f) {
        at[size_t(f)] = shake(framePaths[size_t(f)].front());
        touch.push_back({Phase::Began, f, toHost(at[size_t(f)]), t});
        t += slice;
    }
    for (int frame = 1; frame <= frames; ++frame) {
        for (int f = 0; f < count; ++f) {
            at[size_t(f)] = shake(along(framePaths[size_t(f)], double(frame) / frames));
            touch.push_back({Phase::Moved, f, toHost(at[size_t(f)]), t});
            t += slice;
        }
    }
    for (int f = 0; f < count; ++f) {
        touch.push_back({Phase::Ended, f, toHost(at[size_t(f)]), t});
        t += slice;
    }
    return touch;
}

Touch hold(QPointF at, double seconds, const Style& style)
{
    Shaker shake(style.seed, style.jitter);
    const QPointF centre = inBox(at, style);
    Touch touch;
    touch.push_back({Phase::Began, 0, toHost(shake(centre)), 0.0});
    QPointF last = centre;
    for (double t = style.interval; t < seconds; t += style.interval) {
        last = shake(centre);
        touch.push_back({Phase::Moved, 0, toHost(last), t});
    }
    touch.push_back({Phase::Ended, 0, toHost(last), seconds});
    return touch;
}

void play(Gestures& gestures, ManualClock& clock, const Touch& touch)
{
    double now = 0;
    for (const Sample& s : touch) {
        clock.advance(s.time - now);
        now = s.time;
        feed(gestures, s);
    }
}

Timeline::Timeline(Gestures& gestures, ManualClock& clock) : m_gestures(gestures), m_clock(clock) {}

void Timeline::advanceTo(double t)
{
    // Timer ticks are counted, not summed, so that they never drift against the samples.
    for (;;) {
        const double nextSequence = double(m_sequenceTicks + 1) * 0.1;
        const double nextWatchdog = double(m_watchdogTicks + 1) * 1.0;
        const double next = std::min(nextSequence, nextWatchdog);
        if (next > t) {
            break;
        }
        m_clock.advance(next - m_now);
        m_now = next;
        if (nextWatchdog <= nextSequence) {
            ++m_watchdogTicks;
            m_gestures.GSUpdateWatchdog();
        } else {
            ++m_sequenceTicks;
            m_gestures.processGestureSequence();
        }
    }
    m_clock.advance(t - m_now);
    m_now = t;
}

void Timeline::wait(double seconds)
{
    advanceTo(m_now + seconds);
}

void Timeline::play(const Touch& touch)
{
    const double start = m_now;
    for (const Sample& s : touch) {
        advanceTo(start + s.time);
        feed(m_gestures, s);
    }
}

} // namespace synth
