// The ring of the latest gesture codes and the search for a gesture sequence in it.

#include "Gestures.h"

#include "Format.h"
#include "NotificationCenter.h"
#include "Numbers.h"

namespace {
constexpr double SequenceGapLimit = 0.8;
} // namespace

void Gestures::processGestureSequence()
{
    if (!m_gestureSequenceEnabled) {
        return;
    }
    saturatingIncrement(m_seqTimerWatchdog);
    if (m_seqTimerWatchdog == 4) {
        m_gestureSequence = searchForGestureSequence();
        m_tweenPointer = 0;
        NotificationCenter::defaultCenter().postNotificationName(QStringLiteral("GS:"),
                                                                 format("%d", m_gestureSequence));
    }
}

int Gestures::searchForGestureSequence()
{
    const std::array<int, 5> g{m_fingerGestures[0], m_fingerGestures[1], m_fingerGestures[2], m_fingerGestures[3],
                               m_fingerGestures[4]};
    // The gaps are float32, compared with the double limit as they are.
    const auto shortGap = [this](int k) { return double(m_tweenTime[size_t(k)]) < SequenceGapLimit; };
    const auto longGap = [this](int k) { return double(m_tweenTime[size_t(k)]) > SequenceGapLimit; };

    int result = -1;
    if (longGap(1)) {
        result = -2;
    } else if (shortGap(1) && longGap(2) && longGap(3) && longGap(4)) {
        if (DLLineQ(g[0]) && DRLineQ(g[1])) {
            result = 1;
        } else if (DRLineQ(g[0]) && DLLineQ(g[1])) {
            result = 1;
        } else if (vtLineQ(g[0]) && hzLineQ(g[1])) {
            result = 2;
        } else if (vtLineQ(g[1]) && hzLineQ(g[0])) {
            result = 2;
        } else if (vtLineQ(g[0]) && vtLineQ(g[1])) {
            result = 4;
        } else if (hzLineQ(g[0]) && hzLineQ(g[1])) {
            result = 3;
        } else if (vtLineQ(g[0]) && g[1] == 1) {
            result = 5;
        } else if (g[0] == 1 && g[1] == 1) {
            result = 6;
        }
    } else if (shortGap(1) && shortGap(2) && longGap(3) && longGap(4)) {
        if (g[0] == 1 && g[1] == 1 && g[2] == 1) {
            result = 7;
        }
    } else if (shortGap(1) && shortGap(2) && shortGap(3) && longGap(4)) {
        if (g[0] == 1 && g[1] == 1 && g[2] == 1 && g[3] == 1) {
            result = 8;
        }
    } else if (shortGap(1) && shortGap(2) && shortGap(3) && shortGap(4)) {
        if (g[0] == 1 && g[1] == 1 && g[2] == 1 && g[3] == 1 && g[4] == 1) {
            result = 9;
        }
    }
    resetTweens();
    return result;
}

void Gestures::resetTweens()
{
    for (int k = 0; k < RingSize; ++k) {
        m_tweenTime[size_t(k)] = float(11 * k);
        m_fingerGestures[size_t(k)] = -1;
    }
    m_tweenPointer = 0;
}

int Gestures::getGesture(int n) const
{
    if (n < 0 || n >= RingSize) {
        return -1;
    }
    int slot = m_tweenPointer - 1 - n;
    if (slot < 0) {
        slot += RingSize;
    }
    return m_fingerGestures[size_t(slot)];
}

float Gestures::getTweenTime(int n) const
{
    if (n < 0 || n >= RingSize) {
        return 0;
    }
    int slot = m_tweenPointer - 1 - n;
    if (slot < 0) {
        slot += RingSize;
    }
    return m_tweenTime[size_t(slot)];
}

float Gestures::avgGesturePeriod(int fuzz) const
{
    std::array<float, 5> values{};
    int slot = m_tweenPointer;
    for (float& value : values) {
        value = m_period[size_t(slot)];
        slot = slot == 0 ? RingSize - 1 : slot - 1;
    }
    for (size_t k = 0; k + 1 < values.size(); ++k) {
        if (!isFloatTheSameAsFuzzy(values[k], values[k + 1], float(fuzz))) {
            return 0;
        }
    }
    return values[0];
}

bool Gestures::vtLineQ(int code)
{
    return code == 10 || code == 11;
}
bool Gestures::hzLineQ(int code)
{
    return code == 12 || code == 13;
}
bool Gestures::DLLineQ(int code)
{
    return code == 22 || code == 23;
}
bool Gestures::DRLineQ(int code)
{
    return code == 20 || code == 21;
}

int Gestures::fingerGestures(int slot) const
{
    return slot >= 0 && slot < RingSize ? m_fingerGestures[size_t(slot)] : -1;
}

float Gestures::tweenTime(int slot) const
{
    return slot >= 0 && slot < RingSize ? m_tweenTime[size_t(slot)] : 0.0f;
}

float Gestures::period(int slot) const
{
    return slot >= 0 && slot < RingSize ? m_period[size_t(slot)] : 0.0f;
}
