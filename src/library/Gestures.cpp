#include "Gestures.h"

#include "Clock.h"
#include "Format.h"
#include "NotificationCenter.h"
#include "Trace.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <limits>
#include <numbers>

namespace {

constexpr double kFrame = 480.0;
constexpr double kSequenceGapLimit = 0.8;

// Rounds to float32 the way IEEE arithmetic does, without leaving the defined range of a conversion:
// beyond the largest float the answer is an infinity, NaN stays NaN.
float toFloat32(double value)
{
    static const double overflow = double(FLT_MAX) + std::ldexp(1.0, 103);
    if (std::isnan(value)) {
        return std::numeric_limits<float>::quiet_NaN();
    }
    if (value >= overflow) {
        return std::numeric_limits<float>::infinity();
    }
    if (value <= -overflow) {
        return -std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(value);
}

float nowSeconds()
{
    return toFloat32(Clock::current().monotonic());
}

void saturatingIncrement(int& counter)
{
    if (counter < INT_MAX) {
        ++counter;
    }
}

// The visit orders of the nine grid points and the set tests the rules are written in.
struct Visits
{
    const std::array<int, 9>& order;

    bool reached(int k) const { return order[k] != 0; }
    bool missed(int k) const { return order[k] == 0; }
    bool all(std::initializer_list<int> points) const
    {
        for (int k : points) {
            if (!reached(k)) {
                return false;
            }
        }
        return true;
    }
    // Exactly these points reached, every other point missed.
    bool only(std::initializer_list<int> points) const
    {
        std::array<bool, 9> wanted{};
        for (int k : points) {
            wanted[k] = true;
        }
        for (int k = 0; k < 9; ++k) {
            if (wanted[k] != reached(k)) {
                return false;
            }
        }
        return true;
    }
    bool is(int k, int visit) const { return order[k] == visit; }
    bool fourOrFive(int k) const { return order[k] == 4 || order[k] == 5; }
};

using G = Gestures;

const std::initializer_list<int> kLeftColumn = {G::TL, G::L, G::BL};
const std::initializer_list<int> kRightColumn = {G::TR, G::R, G::BR};
const std::initializer_list<int> kTopRow = {G::TL, G::T, G::TR};
const std::initializer_list<int> kBottomRow = {G::BL, G::B, G::BR};

struct Message
{
    int code;
    const char* text;
};

const Message kGestureMessages[] = {
    {-1, "don't know this gesture"},
    {1, "touch: single tap"},
    {2, "touch: single long tap"},
    {3, "touch: single press"},
    {10, "gesture: bottom to top"},
    {11, "gesture: top to bottom"},
    {12, "gesture: left to right"},
    {13, "gesture: right to left"},
    {14, "gesture: bottom to top blip"},
    {15, "gesture: top to bottom blip"},
    {16, "gesture: left to right blip"},
    {17, "gesture: right to left blip"},
    {20, "gesture: bottom left to top right"},
    {21, "gesture: top right to bottom left"},
    {22, "gesture: top left to bottom right"},
    {23, "gesture: bottom right to top left"},
    {24, "gesture: bottom left to top right blip"},
    {25, "gesture: top right to bottom left blip"},
    {26, "gesture: top left to bottom right blip"},
    {27, "gesture: bottom right to top left blip"},
    {30, "gesture: bottom to top 2 fingers"},
    {31, "gesture: top to bottom 2 fingers"},
    {32, "gesture: left to right 2 fingers"},
    {33, "gesture: right to left 2 fingers"},
    {34, "gesture: bottom to top 2 fingers blip"},
    {35, "gesture: top to bottom 2 fingers blip"},
    {36, "gesture: left to right 2 fingers blip"},
    {37, "gesture: right to left 2 fingers blip"},
    {40, "gesture: 2 fingers VT clockwise"},
    {41, "gesture: 2 fingers VT anti-clockwise"},
    {42, "gesture: 2 fingers VT clockwise"},
    {43, "gesture: 2 fingers VT anti-clockwise"},
    {50, "gesture: square"},
    {51, "gesture: daimond"},
    {52, "gesture: mountain"},
    {53, "gesture: bucket"},
    {54, "gesture: cap"},
    {55, "gesture: convex"},
    {56, "gesture: concave"},
    {60, "gesture: L normal"},
    {61, "gesture: L hz mirror"},
    {62, "gesture: L vt mirror"},
    {63, "gesture: L hz/vt mirror"},
    {70, "gesture: 2 finger hz tap"},
    {71, "gesture: 2 finger vt tap"},
    {72, "gesture: 2 finger left-diagonal tap"},
    {73, "gesture: 2 finger right-diagonal tap"},
    {74, "gesture: 3 finger hz tap"},
    {75, "gesture: 3 finger vt tap"},
    {76, "gesture: 3 finger left-diagonal tap"},
    {77, "gesture: 3 finger right-diagonal tap"},
    {78, "gesture: 4 finger square tap"},
    {79, "gesture: 4 finger diamond tap"},
};

const Message kSequenceMessages[] = {
    {-2, "GS: not a sequence, period too long"},
    {-1, "GS: ???"},
    {1, "GS: cross"},
    {2, "GS: plus"},
    {3, "GS: 2 horizontal lines"},
    {4, "GS: 2 vertical lines"},
    {5, "GS: exclaimation mark"},
    {6, "GS: 2 taps"},
    {7, "GS: 3 taps"},
    {8, "GS: 4 taps"},
    {9, "GS: 5 taps"},
};

template <size_t N> QString lookup(const Message (&table)[N], int code)
{
    for (const Message& m : table) {
        if (m.code == code) {
            return QString::fromUtf8(m.text);
        }
    }
    return {};
}

void writeLine(const QString& text)
{
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

} // namespace

Gestures::Gestures()
{
    NotificationCenter::defaultCenter().addObserver(QStringLiteral("ISM"),
                                                    [this](const Notification& n) { handleNotification(n); });
    GSinitializeArrays();
    GSsetDefaults();
    m_GSwatchdog = 0;
    ensureTimers();
    m_GSorientation = 1;
    m_CS_Cocos2d = false;
}

void Gestures::ensureTimers()
{
    // The timers need an event loop on the instance's thread; an instance made before the application
    // object (or in a program without one) starts them at its first touch sample once there is one.
    if (m_watchdogTimer || !QCoreApplication::instance() || thread() != QThread::currentThread()) {
        return;
    }
    m_watchdogTimer = new QTimer(this);
    connect(m_watchdogTimer, &QTimer::timeout, this, &Gestures::GSUpdateWatchdog);
    m_watchdogTimer->start(1000);
    m_sequenceTimer = new QTimer(this);
    connect(m_sequenceTimer, &QTimer::timeout, this, &Gestures::processGestureSequence);
    m_sequenceTimer->start(100);
}

// ---- Configuration and state ----

void Gestures::GSsetVarsGMLTMLGTSEGNPRES(int mode, int minimumLength, int tapMaxLength, QPointF gridTooSmall,
                                         QPointF expandGrid, QPointF nearPoint, QPointF resolution)
{
    m_gestureMode = mode;
    m_gestureMinimumLength = minimumLength;
    m_tapMaximumLength = tapMaxLength;
    m_gridTooSmall = gridTooSmall;
    m_expandGrid = expandGrid;
    m_nearPoint = nearPoint;
    m_resolution = resolution;
}

void Gestures::GSsetDefaults()
{
    GSsetVarsGMLTMLGTSEGNPRES(1, 50, 25, QPointF(100, 100), QPointF(100, 100), QPointF(50, 50), QPointF(25, 25));
    m_seqTimerWatchdog = 99;
    m_lastBeganTouchTime = nowSeconds();
    m_GSorientation = 1;
    m_CS_Cocos2d = false;
}

void Gestures::GSSetgestureMode(int mode)
{
    m_gestureMode = mode;
}

void Gestures::GSResetValues()
{
    m_fingerIndex = 0;
    m_fingerIndexLeft = 0;
    m_fingerIndexRight = 0;
    m_fingerIndexTop = 0;
    m_fingerIndexBtm = 0;
    m_fingerIndexNumMax = 0;
    m_numTouchBegan = 0;
    m_numTouchMoved = 0;
    m_numTouchEnded = 0;
    m_gestureSequenceEnabled = true;
    m_storeEmpty = true;
}

void Gestures::GSinitializeArrays()
{
    m_fingerXY.fill(QPointF());
    m_fingerTime.fill(0);
    m_fingerNumActive.fill(0);
    m_fingerTouchState.fill(FTS_DONTKNOW);
    resetTweens();
    GSResetValues();
}

void Gestures::setNumActiveFingers(int count)
{
    m_numActiveFingers = qBound(0, count, kMaxCountedFingers);
}

QPointF Gestures::getFingerBeganPos(int slot) const
{
    return slot >= 0 && slot < kFingerRecords ? m_fingerBeganXY[size_t(slot)] : QPointF();
}

QPointF Gestures::getFingerEndedPos(int slot) const
{
    return slot >= 0 && slot < kFingerRecords ? m_fingerEndedXY[size_t(slot)] : QPointF();
}

float Gestures::getFingerBeganTime(int slot) const
{
    return slot >= 0 && slot < kFingerRecords ? m_fingerBeganTime[size_t(slot)] : 0.0f;
}

float Gestures::getFingerEndedTime(int slot) const
{
    return slot >= 0 && slot < kFingerRecords ? m_fingerEndedTime[size_t(slot)] : 0.0f;
}

QPointF Gestures::fingerXY(int slot) const
{
    return slot >= 0 && slot < kStoreCapacity ? m_fingerXY[size_t(slot)] : QPointF();
}

float Gestures::fingerTime(int slot) const
{
    return slot >= 0 && slot < kStoreCapacity ? m_fingerTime[size_t(slot)] : 0.0f;
}

int Gestures::fingerNumActive(int slot) const
{
    return slot >= 0 && slot < kStoreCapacity ? m_fingerNumActive[size_t(slot)] : 0;
}

int Gestures::fingerTouchState(int slot) const
{
    return slot >= 0 && slot < kStoreCapacity ? m_fingerTouchState[size_t(slot)] : FTS_DONTKNOW;
}

// ---- Touch input ----

void Gestures::touchSampleArrived()
{
    ensureTimers();
    m_GSwatchdog = 0;
    m_seqTimerWatchdog = 0;
}

void Gestures::overflowReset()
{
    TRACE_MSG("fingerArrays: Overflow, resetting");
    GSResetValues();
}

bool Gestures::storeSample(QPointF position, float time, int fingers, FingerTouchState state)
{
    // A sample that would take slot 240 is not kept: the store starts again from slot 0.
    if (m_fingerIndex < 0 || m_fingerIndex >= kStoreCapacity) {
        overflowReset();
        return false;
    }
    const auto i = size_t(m_fingerIndex);
    m_fingerXY[i] = position;
    m_fingerTime[i] = time;
    m_fingerNumActive[i] = fingers;
    m_fingerTouchState[i] = state;
    return true;
}

void Gestures::GSBeganTouchEventPosition(int finger, QPointF position)
{
    if (m_numActiveFingers >= kMaxCountedFingers) {
        return; // more fingers than two hands: dropped, so that its lift cannot unbalance the count
    }
    touchSampleArrived();
    const QPointF p = getOrientationPoint(m_GSorientation, position);
    const float now = nowSeconds();
    m_eventBeganTouchNum = finger;
    m_eventBeganTouchPosition = p;
    m_eventBeganTouchTime = now;

    if (m_numActiveFingers == 0) {
        m_timeBetweenTaps = now - m_lastBeganTouchTime;
        m_lastBeganTouchTime = now;
    }
    // Fingers beyond the fifth are counted (their lifts balance the count) but have no record.
    if (m_numActiveFingers < kFingerRecords) {
        m_fingerBeganXY[size_t(m_numActiveFingers)] = p;
        m_fingerBeganTime[size_t(m_numActiveFingers)] = now;
    }
    ++m_numActiveFingers;
    ++m_numTouchBegan;

    if (storeSample(p, now, m_numActiveFingers, FTS_BEGAN)) {
        updateMaxMinWithPointWithTimeNumFingers(m_fingerIndex, p, now, m_numActiveFingers);
    }
    m_tweenTime[size_t(m_tweenPointer)] = m_eventBeganTouchTime - m_eventEndedTouchTime;
}

void Gestures::GSMovedTouchEventPosition(int finger, QPointF position)
{
    if (m_numActiveFingers <= 0) {
        return; // a move with no finger down belongs to no touch
    }
    touchSampleArrived();
    const QPointF p = getOrientationPoint(m_GSorientation, position);
    const float now = nowSeconds();
    m_eventMovedTouchNum = finger;
    m_eventMovedTouchPosition = p;
    m_eventMovedTouchTime = now;

    if (!storeSample(p, now, m_numActiveFingers, FTS_MOVED)) {
        return;
    }
    saturatingIncrement(m_numTouchMoved);
    // A sample within the resolution of the previous kept one only borrows the free slot. The first
    // sample after a reset has nothing to compare with and is kept.
    if (m_fingerIndex == 0 || !isPointTheSameAsFuzzy(p, m_fingerXY[size_t(m_fingerIndex - 1)], m_resolution)) {
        updateMaxMinWithPointWithTimeNumFingers(m_fingerIndex, p, now, m_numActiveFingers);
    }
}

void Gestures::GSEndedTouchEventPosition(int finger, QPointF position)
{
    if (m_numActiveFingers <= 0) {
        return; // a lift with no finger down: nothing to end
    }
    touchSampleArrived();
    const QPointF p = getOrientationPoint(m_GSorientation, position);
    const float now = nowSeconds();
    m_eventEndedTouchNum = finger;
    m_eventEndedTouchPosition = p;
    m_eventEndedTouchTime = now;

    --m_numActiveFingers;
    if (m_numActiveFingers < kFingerRecords) {
        m_fingerEndedXY[size_t(m_numActiveFingers)] = p;
        m_fingerEndedTime[size_t(m_numActiveFingers)] = now;
    }
    --m_numTouchBegan;
    ++m_numTouchEnded;

    if (storeSample(p, now, m_numActiveFingers, FTS_ENDED)) {
        updateMaxMinWithPointWithTimeNumFingers(m_fingerIndex, p, now, m_numActiveFingers);
    }
    if (m_numActiveFingers <= 0) {
        m_numActiveFingers = 0;
        processTouches();
    }
    const auto slot = size_t(m_tweenPointer);
    m_period[slot] = now;
    m_fingerGestures[slot] = m_fingerGesture;
    m_tweenPointer = (m_tweenPointer + 1) % kRingSize;
}

void Gestures::updateMaxMinWithPointWithTimeNumFingers(int slot, QPointF point, float time, int numFingers)
{
    Q_UNUSED(time);
    if (slot >= kStoreCapacity) {
        overflowReset();
        return;
    }
    if (slot < 0) {
        return;
    }
    if (m_fingerXY[size_t(m_fingerIndexLeft)].x() > point.x()) {
        m_fingerIndexLeft = slot;
    }
    if (point.x() > m_fingerXY[size_t(m_fingerIndexRight)].x()) {
        m_fingerIndexRight = slot;
    }
    if (m_fingerXY[size_t(m_fingerIndexTop)].y() > point.y()) {
        m_fingerIndexTop = slot;
    }
    if (point.y() > m_fingerXY[size_t(m_fingerIndexBtm)].y()) {
        m_fingerIndexBtm = slot;
    }
    if (m_fingerNumActive[size_t(m_fingerIndexNumMax)] < numFingers) {
        m_fingerIndexNumMax = slot;
    }
    m_storeEmpty = false;
    if (m_numActiveFingers > 0) {
        ++m_fingerIndex;
    }
}

// ---- Classification ----

void Gestures::processTouches()
{
    m_fingerGesture = analyzeTouches();
    emit gestureAnnounced();
    GSResetValues();
}

int Gestures::analyzeTouches()
{
    if (m_storeEmpty) {
        return -1; // nothing left to judge (the store overflowed on the final lift)
    }
    const QPointF& leftmost = m_fingerXY[size_t(m_fingerIndexLeft)];
    const QPointF& rightmost = m_fingerXY[size_t(m_fingerIndexRight)];
    const QPointF& topmost = m_fingerXY[size_t(m_fingerIndexTop)];
    const QPointF& bottommost = m_fingerXY[size_t(m_fingerIndexBtm)];
    const double width = std::fabs(rightmost.x() - leftmost.x());
    const double height = std::fabs(bottommost.y() - topmost.y());
    if (double(m_tapMaximumLength) > width && double(m_tapMaximumLength) > height) {
        const int last = qBound(0, m_fingerIndex, kStoreCapacity - 1);
        const float duration = m_fingerTime[size_t(last)] - m_fingerTime[0];
        if (duration < 0.1) {
            TRACE_MSG("tap");
            return 1;
        }
        return duration < 1.0 ? 2 : 3;
    }
    if (m_gestureMode != 1) {
        return -1;
    }
    return advancedGestureCheck();
}

int Gestures::advancedGestureCheck()
{
    const int fingers = m_fingerNumActive[size_t(m_fingerIndexNumMax)];

    double left = m_fingerXY[size_t(m_fingerIndexLeft)].x();
    double right = m_fingerXY[size_t(m_fingerIndexRight)].x();
    double top = m_fingerXY[size_t(m_fingerIndexTop)].y();
    double bottom = m_fingerXY[size_t(m_fingerIndexBtm)].y();
    if (m_gridTooSmall.x() > std::fabs(left - right)) {
        left -= m_expandGrid.x();
        right += m_expandGrid.x();
    }
    if (m_gridTooSmall.y() > std::fabs(top - bottom)) {
        top -= m_expandGrid.y();
        bottom += m_expandGrid.y();
    }
    const double columns[3] = {left, (right - left) * 0.5 + left, right};
    const double rows[3] = {top, (bottom - top) * 0.5 + top, bottom};

    const bool blip = isPointTheSameAsFuzzy(m_fingerBeganXY[0], m_fingerEndedXY[0], m_nearPoint);

    // Walk the kept samples (not the final sample of the last lift) and number the grid points in the
    // order the touch first came near them.
    std::array<int, 9> order{};
    int visit = 1;
    const int walked = qBound(0, m_fingerIndex, kStoreCapacity);
    for (int s = 0; s < walked; ++s) {
        const QPointF& sample = m_fingerXY[size_t(s)];
        for (int k = 0; k < 9; ++k) {
            if (order[size_t(k)] != 0) {
                continue;
            }
            const float dy = toFloat32(std::fabs(sample.y() - rows[k / 3]));
            const float dx = toFloat32(std::fabs(sample.x() - columns[k % 3]));
            if (double(dy) < m_nearPoint.y() && double(dx) < m_nearPoint.x()) {
                order[size_t(k)] = visit++;
            }
        }
    }
    m_lastGridOrder = order;

    char grid[160];
    std::snprintf(grid, sizeof grid, "\ngrid analysis:\n%d %d %d\n%d %d %d\n%d %d %d\n\n", order[0], order[1], order[2],
                  order[3], order[4], order[5], order[6], order[7], order[8]);
    std::fputs(grid, stdout);

    if (visit == 10) {
        return -2;
    }
    switch (fingers) {
    case 1:
        return classifyOneFinger(order, blip);
    case 2:
        return classifyTwoFingers(order);
    case 3: {
        if (m_numTouchMoved >= 30) {
            return -1;
        }
        const Visits v{order};
        if (v.only({T, C, B})) {
            return 75;
        }
        if (v.only({TL, C, BR})) {
            return 76;
        }
        if (v.only({TR, C, BL})) {
            return 77;
        }
        if (v.only({L, C, R})) {
            return 74;
        }
        return -1;
    }
    case 4: {
        if (m_numTouchMoved >= 30) {
            return -1;
        }
        const Visits v{order};
        if (v.only({TL, TR, BL, BR})) {
            return 78;
        }
        if (v.only({T, L, R, B})) {
            return 79;
        }
        return -1;
    }
    default:
        return -1;
    }
}

int Gestures::classifyOneFinger(const std::array<int, 9>& order, bool blip) const
{
    const Visits v{order};
    const QPointF start = m_fingerBeganXY[0];
    const QPointF end = m_fingerEndedXY[0];

    if (v.only({TL, T, TR, L, R, BL, B, BR})) {
        return 50;
    }
    if (v.only({T, L, R, B})) {
        return 51;
    }
    if (v.only({L, C, R})) {
        if (!blip) {
            return v.is(L, 1) ? 12 : 13;
        }
        return (240 - start.x()) > end.x() ? 16 : 17;
    }
    if (v.only({T, C, B})) {
        if (!blip) {
            return v.is(T, 1) ? 11 : 10;
        }
        return (240 - start.y()) > end.y() ? 15 : 14;
    }
    if (v.only({TL, C, BR})) {
        if (!blip) {
            return v.is(TL, 1) ? 22 : 23;
        }
        return (240 - start.y()) > end.y() ? 26 : 27;
    }
    if (v.only({TR, C, BL})) {
        if (!blip) {
            return v.is(TR, 1) ? 21 : 20;
        }
        return (240 - start.y()) > end.y() ? 25 : 24;
    }
    if (v.only({TL, L, C, BL, B, BR})) {
        return 80;
    }
    if (v.only({TR, C, R, BL, B, BR})) {
        return 81;
    }
    if (v.only({TL, T, TR, L, C, BL})) {
        return 82;
    }
    if (v.only({TL, T, TR, C, R, BR})) {
        return 83;
    }
    if (v.only({TL, L, BL, B, BR})) {
        return 60;
    }
    if (v.only({TL, T, TR, L, BL})) {
        return 62;
    }
    if (v.only({TR, R, BL, B, BR})) {
        return 61;
    }
    if (v.only({TL, T, TR, R, BR})) {
        return 63;
    }
    if ((v.missed(T) || v.missed(C)) && ((v.all(kLeftColumn) && v.all(kBottomRow) && v.reached(R)) ||
                                         (v.all(kRightColumn) && v.all(kBottomRow) && v.reached(L)))) {
        return 53;
    }
    if ((v.missed(B) || v.missed(C)) && ((v.all(kTopRow) && v.all(kLeftColumn) && v.reached(R)) ||
                                         (v.all(kTopRow) && v.all(kRightColumn) && v.reached(L)))) {
        return 54;
    }
    if ((v.missed(L) || v.missed(C)) && ((v.all(kTopRow) && v.all(kRightColumn) && v.reached(B)) ||
                                         (v.all(kBottomRow) && v.all(kRightColumn) && v.reached(T)))) {
        return 55;
    }
    if ((v.missed(C) || v.missed(R)) && ((v.all(kTopRow) && v.all(kLeftColumn) && v.reached(B)) ||
                                         (v.all(kBottomRow) && v.all(kLeftColumn) && v.reached(T)))) {
        return 56;
    }
    if (v.only({T, L, R, BL, BR})) {
        return 52;
    }
    return -1;
}

int Gestures::classifyTwoFingers(const std::array<int, 9>& order) const
{
    const Visits v{order};
    if (v.only({L, R})) {
        return 70;
    }
    if (v.only({T, B})) {
        return 71;
    }
    if (v.only({TL, BR})) {
        return 72;
    }
    if (v.only({TR, BL})) {
        return 73;
    }

    // Two vertical tracks.
    if (!v.all({T, C, B}) && ((v.all(kLeftColumn) && v.reached(R) && (v.reached(TR) || v.reached(BR))) ||
                              (v.all({TL, L}) && v.all(kRightColumn)) || (v.all({L, BL}) && v.all(kRightColumn)) ||
                              v.all({TL, L, R, BR}) || v.all({L, BL, TR, R}))) {
        if ((v.is(TL, 1) || v.is(TR, 1)) && (v.fourOrFive(BL) || v.fourOrFive(BR))) {
            return 31;
        }
        if ((v.is(BL, 1) || v.is(BR, 1)) && (v.fourOrFive(TL) || v.fourOrFive(TR))) {
            return 30;
        }
        if ((v.is(TL, 1) && v.is(BR, 2)) || (v.is(TR, 1) && v.is(BL, 2))) {
            return 40;
        }
        if (v.is(TL, 2) && v.is(BR, 1)) {
            return 41;
        }
    }

    // Two horizontal tracks.
    if (!v.all({L, C, R}) && ((v.all(kTopRow) && v.reached(B) && (v.reached(BL) || v.reached(BR))) ||
                              (v.all({TL, T}) && v.all(kBottomRow)) || (v.all({T, TR}) && v.all(kBottomRow)) ||
                              v.all({TL, T, B, BR}) || v.all({T, TR, BL, B}))) {
        if ((v.is(TL, 1) || v.is(BL, 1)) && (v.fourOrFive(TR) || v.fourOrFive(BR))) {
            return 32;
        }
        if ((v.is(TR, 1) || v.is(BR, 1)) && (v.fourOrFive(TL) || v.fourOrFive(BL))) {
            return 33;
        }
        if ((v.is(TL, 1) && v.is(BR, 2)) || (v.is(TR, 1) && v.is(BL, 2))) {
            return 42;
        }
        if (v.is(TL, 2) && v.is(BR, 1)) {
            return 43;
        }
    }
    return -1;
}

// ---- Position mapping and geometry ----

QPointF Gestures::getOrientationPoint(int orientation, QPointF point) const
{
    const double x = 1.5 * point.x();
    const double y = point.y();
    switch (orientation) {
    case 1:
        return m_CS_Cocos2d ? QPointF(x, kFrame - y) : QPointF(x, y);
    case 2:
        return m_CS_Cocos2d ? QPointF(kFrame - x, y) : QPointF(kFrame - x, kFrame - y);
    case 3:
        return QPointF(kFrame - y, x);
    case 4:
        return QPointF(kFrame - y, kFrame - x);
    default:
        return QPointF(0, 0);
    }
}

bool Gestures::isIntTheSameAsFuzzy(int a, int b, int fuzz)
{
    const qint64 difference = qint64(a) - qint64(b);
    return (difference < 0 ? -difference : difference) < qint64(fuzz);
}

bool Gestures::isFloatTheSameAsFuzzy(float a, float b, float fuzz)
{
    // Truncated in floating point, so that no difference is too large for the conversion.
    return fuzz > std::trunc(std::fabs(a - b));
}

bool Gestures::isPointTheSameAsFuzzy(QPointF p, QPointF q, QPointF fuzz)
{
    const float dx = toFloat32(std::fabs(p.x() - q.x()));
    const float dy = toFloat32(std::fabs(p.y() - q.y()));
    return fuzz.x() > double(dx) && fuzz.y() > double(dy);
}

double Gestures::getDistanceBetweenTwoPointsAndB(QPointF a, QPointF b)
{
    return std::hypot(a.x() - b.x(), a.y() - b.y());
}

double Gestures::getAngleBetweenPointsAndB(QPointF a, QPointF b)
{
    const double rise = b.y() - a.y();
    const double run = a.x() - b.x();
    if (run == 0.0) {
        // The quotient's limit, without dividing by zero; two equal points have no angle: 0.
        return rise > 0 ? 90.0 : rise < 0 ? -90.0 : 0.0;
    }
    return std::atan(rise / run) * 180.0 / std::numbers::pi;
}

QPointF Gestures::getDifferenceBetweenPointsAndB(QPointF a, QPointF b)
{
    return a - b;
}

QPointF Gestures::getAbsoluteDiffenceBetweenPointsAndB(QPointF a, QPointF b)
{
    return QPointF(std::fabs(a.x() - b.x()), std::fabs(a.y() - b.y()));
}

// ---- Notifications, timers and diagnostics ----

void Gestures::handleNotification(const Notification& notification)
{
    TRACE_MSG("string: %@ : %@", notification.name, notification.object);
    TRACE_MSG(" value: %d", notification.object.toInt());
    TRACE_MSG(",msg StaticTemplate to Engine:%@", notification.object);
}

void Gestures::GSUpdateWatchdog()
{
    saturatingIncrement(m_GSwatchdog);
    if (m_GSwatchdog == 10 && m_numActiveFingers > 0) {
        TRACE_MSG("ismUpdateWatchdog:timeout, resetting values");
        GSResetValues();
        // The lift that never came will not come: forget the fingers, or no touch would end again.
        m_numActiveFingers = 0;
    }
}

QString Gestures::gestureMessage(int code)
{
    return lookup(kGestureMessages, code);
}

void Gestures::DebugGestures(int code)
{
    writeLine(gestureMessage(code));
}

// ---- Gesture sequences ----

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
    const auto shortGap = [this](int k) { return double(m_tweenTime[size_t(k)]) < kSequenceGapLimit; };
    const auto longGap = [this](int k) { return double(m_tweenTime[size_t(k)]) > kSequenceGapLimit; };

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
    for (int k = 0; k < kRingSize; ++k) {
        m_tweenTime[size_t(k)] = float(11 * k);
        m_fingerGestures[size_t(k)] = -1;
    }
    m_tweenPointer = 0;
}

int Gestures::getGesture(int n) const
{
    if (n < 0 || n >= kRingSize) {
        return -1;
    }
    int slot = m_tweenPointer - 1 - n;
    if (slot < 0) {
        slot += kRingSize;
    }
    return m_fingerGestures[size_t(slot)];
}

float Gestures::getTweenTime(int n) const
{
    if (n < 0 || n >= kRingSize) {
        return 0;
    }
    int slot = m_tweenPointer - 1 - n;
    if (slot < 0) {
        slot += kRingSize;
    }
    return m_tweenTime[size_t(slot)];
}

float Gestures::avgGesturePeriod(int fuzz) const
{
    std::array<float, 5> values{};
    int slot = m_tweenPointer;
    for (float& value : values) {
        value = m_period[size_t(slot)];
        slot = slot == 0 ? kRingSize - 1 : slot - 1;
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
    return slot >= 0 && slot < kRingSize ? m_fingerGestures[size_t(slot)] : -1;
}

float Gestures::tweenTime(int slot) const
{
    return slot >= 0 && slot < kRingSize ? m_tweenTime[size_t(slot)] : 0.0f;
}

float Gestures::period(int slot) const
{
    return slot >= 0 && slot < kRingSize ? m_period[size_t(slot)] : 0.0f;
}

QString Gestures::sequenceMessage(int code)
{
    return lookup(kSequenceMessages, code);
}

void Gestures::DebugGestureSeq(int code)
{
    writeLine(sequenceMessage(code));
}
