#include "LibMath.h"

#include "Numbers.h"
#include "ProcessLog.h"
#include "Trace.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

// Two's-complement sum: counters that run past the end of the int range wrap instead of invoking
// undefined behaviour.
int wrapAdd(int a, int b)
{
    return int(quint32(a) + quint32(b));
}

// random() and arc4random() as the rules name them; glibc has both.
long randomValue()
{
    return ::random();
}
quint32 secureRandom()
{
    return ::arc4random();
}
quint32 secureRandomUniform(quint32 bound)
{
    return ::arc4random_uniform(bound);
}

constexpr float FloatEpsilon = 1.1920929e-7f;

struct Preset
{
    int posX, posY;
    bool fixedLR, fixedTB, scaleW, scaleH;
};
constexpr Preset Presets[19] = {
    {0, 0, false, false, false, false}, {0, 1, false, false, false, false}, {1, 0, false, false, false, false},
    {1, 1, false, false, false, false}, {0, 0, true, false, false, false},  {0, 1, true, false, false, false},
    {0, 0, false, true, false, false},  {1, 0, false, true, false, false},  {0, 0, true, true, false, false},
    {2, 0, false, false, true, false},  {2, 1, false, false, true, false},  {0, 2, false, false, false, true},
    {1, 2, false, false, false, true},  {2, 2, false, false, true, true},   {2, 0, false, false, true, false},
    {2, 1, false, false, true, false},  {0, 2, false, false, false, true},  {1, 2, false, false, false, true},
    {2, 2, false, false, true, true},
};

} // namespace

void LibMath::greet() const
{
    processLog(QStringLiteral("hello from LibMath"));
}

int LibMath::limitIntMinMax(int v, int lo, int hi) const
{
    return maxIntMax(minIntMin(v, lo), hi);
}

int LibMath::minIntMin(int v, int lo) const
{
    return v < lo ? lo : v;
}

int LibMath::maxIntMax(int v, int hi) const
{
    return v > hi ? hi : v;
}

int LibMath::cycleIntMinMaxStep(int v, int lo, int hi, int step) const
{
    const qint64 n = qint64(v) + step;
    if (n < lo) {
        return hi;
    }
    if (n > hi) {
        return lo;
    }
    return int(n);
}

bool LibMath::timeOnOfftickOnTimeOffTime(int tick, int on, int off) const
{
    const qint64 period = qint64(on) + off;
    if (period == 0) {
        return false;
    }
    return qint64(tick) % period < on;
}

int LibMath::stepChangeIntStepEnd(int v, int step, int end) const
{
    return v == end ? v : wrapAdd(v, step);
}

std::pair<int, int> LibMath::fadeInOutIntSpeedPeriod(int v, int speed, int period) const
{
    const int value = stepChangeIntStepEnd(v, speed, speed >= 1 ? period : 0);
    const int next = (value > 0 && value < period) ? speed : int(0u - quint32(speed));
    return {value, next};
}

bool LibMath::isIntTheSameAsFuzzy(int a, int b, int fuzzy) const
{
    return std::llabs(qint64(a) - b) < fuzzy;
}

int LibMath::zeroOneToggle(int v) const
{
    return int((qint64(v) + 1) % 2);
}

int LibMath::minusOnePlusOneToggle(int v) const
{
    const int r = int((qint64(v) + 1) % 2);
    return r != 0 ? r : -1;
}

int LibMath::rndRangeMinMax(int lo, int hi) const
{
    const qint64 range = qint64(hi) - lo + 1;
    if (range <= 0) {
        return lo;
    }
    return int(randomValue() % range + lo);
}

int LibMath::rndRangeMinWithGainMaxGain(int lo, int hi, float gain) const
{
    return truncatedInt(double(float(rndRangeMinMax(lo, hi)) * gain));
}

bool LibMath::yesOrNoRnd() const
{
    return secureRandomUniform(2) == 1;
}

int LibMath::onePlusOrMinusRnd() const
{
    return secureRandomUniform(2) == 1 ? 1 : -1;
}

int LibMath::onePlusMinusZeroOneRnd() const
{
    return int(secureRandomUniform(3)) - 1;
}

QVariant LibMath::intToNSNumber(int v) const
{
    return v;
}

int LibMath::NSNumbertoInt(const QVariant& number) const
{
    bool ok = false;
    const double d = number.toDouble(&ok);
    return ok ? truncatedInt(d) : 0;
}

bool LibMath::pStepChangeIntStepEnd(int* p, int step, int end) const
{
    if (!p) {
        return false;
    }
    if (*p == end) {
        return true;
    }
    *p = wrapAdd(*p, step);
    return false;
}

void LibMath::pLimitIntMinMax(int* p, int lo, int hi) const
{
    if (p)
        *p = limitIntMinMax(*p, lo, hi);
}

void LibMath::pMinIntMin(int* p, int lo) const
{
    if (p)
        *p = minIntMin(*p, lo);
}

void LibMath::pMaxIntMax(int* p, int hi) const
{
    if (p)
        *p = maxIntMax(*p, hi);
}

void LibMath::pCycleIntMinMaxStep(int* p, int lo, int hi, int step) const
{
    if (p)
        *p = cycleIntMinMaxStep(*p, lo, hi, step);
}

void LibMath::pRndRangeMinWithGainNumMaxGain(int* p, int lo, int hi, float gain) const
{
    if (p)
        *p = rndRangeMinWithGainMaxGain(lo, hi, gain);
}

void LibMath::pRndRangeNumMinMax(int* p, int lo, int /*hi*/) const
{
    if (p)
        *p = wrapAdd(*p, lo);
}

float LibMath::limitFloatMinMax(float v, float lo, float hi) const
{
    if (v < lo)
        v = lo;
    if (v > hi)
        v = hi;
    return v;
}

float LibMath::cycleFloatMinMax(float v, float lo, float hi) const
{
    if (v < lo)
        v = hi;
    if (v > hi)
        v = lo;
    return v;
}

float LibMath::stepChangeFloatStepEnd(float v, float step, float end) const
{
    return std::fabs(v - end) > FloatEpsilon ? v + step : v;
}

float LibMath::differenceBetweenFloatAnd(float a, float b) const
{
    return std::fabs(a - b);
}

bool LibMath::isFloatTheSameAsFuzzy(float a, float b, float fuzzy) const
{
    return std::fabs(a - b) < fuzzy;
}

int LibMath::roundFloat(float v) const
{
    return truncatedInt(double(v) + 0.499);
}

float LibMath::rndModFactor(int m, float f) const
{
    if (m == 0) {
        return 0.0f;
    }
    const float r = float(randomValue() % qint64(m));
    return f == 1.0f ? r : r * f;
}

float LibMath::rndRangeMinFloatMax(float lo, float hi) const
{
    const float f1 = hi - lo;
    const float f2 = float(secureRandom() % 100) * f1 / 100.0f;
    const float f3 = f2 + lo;
    processLogf("max: %f    %f", hi, lo);
    processLogf("f1: %f", f1);
    processLogf("f2: %f", f2);
    processLogf("f3: %f", f3);
    return f3;
}

float LibMath::rndRangeMinFloatWithGainMaxGain(float lo, float hi, float gain) const
{
    return (float(secureRandom() % 100) * (hi - lo) / 100.0f + lo) * gain;
}

float LibMath::fractionFromPosWidthMinMax(float pos, float w, float lo, float hi) const
{
    const float from = lo * w;
    const float to = hi * w;
    if (pos < from) {
        return 0.0f;
    }
    if (pos > to) {
        return 1.0f;
    }
    // An empty range (from == to) would divide zero by zero.
    return to > from ? (pos - from) / (to - from) : 0.0f;
}

float LibMath::floatFromPercentLimitLowLimitHigh(float pct, float lo, float hi) const
{
    return pct * (hi - lo) / 100.0f + lo;
}

QRectF LibMath::bounce(const QRectF& state) const
{
    double pos = state.x();
    const double lo = state.y();
    const double hi = state.width();
    double dir = state.height() == 0.0 ? 1.0 : state.height();
    if (dir == 1.0) {
        pos += 1.0;
        if (pos > hi)
            dir = -1.0;
    } else {
        pos -= 1.0;
        if (pos < lo)
            dir = 1.0;
    }
    return QRectF(pos, lo, hi, dir);
}

void LibMath::pCycleFloatMinMax(float* p, float lo, float hi) const
{
    if (p)
        *p = cycleFloatMinMax(*p, lo, hi);
}

void LibMath::pLimitFloatMinMax(float* p, float lo, float hi) const
{
    if (p)
        *p = limitFloatMinMax(*p, lo, hi);
}

void LibMath::pRoundFloat(float* p) const
{
    if (p)
        *p = float(roundFloat(*p));
}

void LibMath::pRndModNumModFactor(float* p, int m, float f) const
{
    if (p)
        *p = rndModFactor(m, f);
}

bool LibMath::pStepChangeFloatStepEnd(float* p, float step, float end) const
{
    if (!p || !(std::fabs(*p - end) > FloatEpsilon)) {
        return false;
    }
    *p += step;
    return true;
}

void LibMath::pRndRangeMinFloatNumMinMax(float* p, float lo, float /*hi*/) const
{
    if (p)
        *p += lo;
}

void LibMath::pRndRangeMinFloatWithGainNumMinMaxGain(float* p, float /*lo*/, float /*hi*/, float gain) const
{
    if (p)
        *p *= gain;
}

void LibMath::setDefaultWindowHasTitleBar(const QRectF& window, bool hasTitleBar)
{
    m_winOriginal = window;
    m_windowHasTitleBar = hasTitleBar;
}

void LibMath::objectPositionXPositionY(int x, int y)
{
    m_objectPositioningX = x;
    m_objectPositioningY = y;
}

void LibMath::objectFixedEdgeLeftRightTopBtm(bool leftRight, bool topBtm)
{
    m_objectFixedEdgeLeftRight = leftRight;
    m_objectFixedEdgeTopBtm = topBtm;
}

void LibMath::objectRescaleWidthHeight(bool width, bool height)
{
    m_objectRescalesWidth = width;
    m_objectRescalesHeight = height;
}

void LibMath::set2dSystem(int preset)
{
    if (preset < 0 || preset > 18) {
        TRACE("Don't know %d", preset);
        return;
    }
    const Preset& p = Presets[preset];
    objectPositionXPositionY(p.posX, p.posY);
    objectFixedEdgeLeftRightTopBtm(p.fixedLR, p.fixedTB);
    objectRescaleWidthHeight(p.scaleW, p.scaleH);
}

QRectF LibMath::positionInNewWindowObject(const QRectF& window, const QRectF& object) const
{
    const float newHeight = float(window.height()) - (m_windowHasTitleBar ? 19.0f : 0.0f);
    const float w0 = float(m_winOriginal.width());
    const float h0 = float(m_winOriginal.height());
    const float dW = float(window.width()) - w0;
    const float dH = newHeight - h0;
    // A layout designed for an empty window has no ratio to scale by: keep the scale at 1.
    const float sx = w0 > 0.0f ? float(window.width()) / w0 : 1.0f;
    const float sy = h0 > 0.0f ? newHeight / h0 : 1.0f;

    double width = m_objectFixedEdgeLeftRight ? object.width() + dW : object.width();
    if (m_objectRescalesWidth)
        width = std::trunc(width * sx);
    double height = m_objectFixedEdgeTopBtm ? object.height() + dH : object.height();
    if (m_objectRescalesHeight)
        height = std::trunc(height * sy);

    auto place = [](int rule, double v, float delta, float ratio) {
        if (rule == 2)
            return std::trunc(v * ratio);
        if (rule == 1)
            return v + delta;
        return v;
    };
    return QRectF(place(m_objectPositioningX, object.x(), dW, sx), place(m_objectPositioningY, object.y(), dH, sy),
                  width, height);
}
