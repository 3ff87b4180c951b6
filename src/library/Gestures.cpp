#include "Gestures.h"

#include "Clock.h"
#include "Format.h"
#include "NotificationCenter.h"
#include "Numbers.h"
#include "Trace.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <cmath>
#include <numbers>

// The recogniser is spread over four files: touch input, the store and geometry here; the
// classification of a touch in GesturesClassify.cpp; the ring of recent codes and the sequence search
// in GesturesSequence.cpp; the message tables in GesturesMessages.cpp.

namespace {

constexpr double Frame = 480.0;

float nowSeconds()
{
    return toFloat32(Clock::current().monotonic());
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
    m_numActiveFingers = qBound(0, count, MaxCountedFingers);
}

QPointF Gestures::getFingerBeganPos(int slot) const
{
    return slot >= 0 && slot < FingerRecords ? m_fingerBeganXY[size_t(slot)] : QPointF();
}

QPointF Gestures::getFingerEndedPos(int slot) const
{
    return slot >= 0 && slot < FingerRecords ? m_fingerEndedXY[size_t(slot)] : QPointF();
}

float Gestures::getFingerBeganTime(int slot) const
{
    return slot >= 0 && slot < FingerRecords ? m_fingerBeganTime[size_t(slot)] : 0.0f;
}

float Gestures::getFingerEndedTime(int slot) const
{
    return slot >= 0 && slot < FingerRecords ? m_fingerEndedTime[size_t(slot)] : 0.0f;
}

QPointF Gestures::fingerXY(int slot) const
{
    return slot >= 0 && slot < StoreCapacity ? m_fingerXY[size_t(slot)] : QPointF();
}

float Gestures::fingerTime(int slot) const
{
    return slot >= 0 && slot < StoreCapacity ? m_fingerTime[size_t(slot)] : 0.0f;
}

int Gestures::fingerNumActive(int slot) const
{
    return slot >= 0 && slot < StoreCapacity ? m_fingerNumActive[size_t(slot)] : 0;
}

int Gestures::fingerTouchState(int slot) const
{
    return slot >= 0 && slot < StoreCapacity ? m_fingerTouchState[size_t(slot)] : FTS_DONTKNOW;
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
    if (m_fingerIndex < 0 || m_fingerIndex >= StoreCapacity) {
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
    if (m_numActiveFingers >= MaxCountedFingers) {
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
    if (m_numActiveFingers < FingerRecords) {
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
    if (m_numActiveFingers < FingerRecords) {
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
    m_tweenPointer = (m_tweenPointer + 1) % RingSize;
}

void Gestures::updateMaxMinWithPointWithTimeNumFingers(int slot, QPointF point, float time, int numFingers)
{
    Q_UNUSED(time);
    if (slot >= StoreCapacity) {
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

// ---- Position mapping and geometry ----

QPointF Gestures::getOrientationPoint(int orientation, QPointF point) const
{
    const double x = 1.5 * point.x();
    const double y = point.y();
    switch (orientation) {
    case 1:
        return m_CS_Cocos2d ? QPointF(x, Frame - y) : QPointF(x, y);
    case 2:
        return m_CS_Cocos2d ? QPointF(Frame - x, y) : QPointF(Frame - x, Frame - y);
    case 3:
        return QPointF(Frame - y, x);
    case 4:
        return QPointF(Frame - y, Frame - x);
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
    TRACE_MSG(" value: %d", intValue(notification.object));
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
