#pragma once

#include "SharedInstance.h"

#include <QRectF>

#include <utility>

/**
 * Small numeric rules for animation and layout: clamping, cycling and stepping counters, blink
 * timing, bounded random numbers, fuzzy comparison, rounding, percentages, and a preset-driven rule
 * for moving and stretching a control when its window is resized.
 *
 * Every operation is defined for every input: integer sums wrap instead of overflowing, empty random
 * ranges answer their lower end, and float-to-integer conversions saturate (NaN gives 0).
 */
class LibMath : public SharedInstance<LibMath>
{
    friend class SharedInstance<LibMath>;

public:
    /** Writes "hello from LibMath" to the process log. */
    void greet() const;

    // Integers
    /** v raised to lo, then lowered to hi. */
    int limitIntMinMax(int v, int lo, int hi) const;
    /** v, but at least lo. */
    int minIntMin(int v, int lo) const;
    /** v, but at most hi. */
    int maxIntMax(int v, int hi) const;
    /** v + step; below lo gives hi, above hi gives lo. */
    int cycleIntMinMaxStep(int v, int lo, int hi, int step) const;
    /** Whether tick falls in the "on" part of an on/off period; NO when on + off is 0. */
    bool timeOnOfftickOnTimeOffTime(int tick, int on, int off) const;
    /** v when v equals end, otherwise v + step. */
    int stepChangeIntStepEnd(int v, int step, int end) const;
    /** (value, next speed) of a triangle fade between 0 and period. */
    std::pair<int, int> fadeInOutIntSpeedPeriod(int v, int speed, int period) const;
    /** Whether a and b are closer than fuzzy. */
    bool isIntTheSameAsFuzzy(int a, int b, int fuzzy) const;
    /** 0 gives 1, 1 gives 0. */
    int zeroOneToggle(int v) const;
    /** 0 gives 1, 1 gives -1, -1 gives -1. */
    int minusOnePlusOneToggle(int v) const;
    /** A random integer in lo..hi; lo when hi < lo. */
    int rndRangeMinMax(int lo, int hi) const;
    /** rndRangeMinMax times gain, truncated toward zero. */
    int rndRangeMinWithGainMaxGain(int lo, int hi, float gain) const;
    bool yesOrNoRnd() const;
    int onePlusOrMinusRnd() const;
    int onePlusMinusZeroOneRnd() const;
    QVariant intToNSNumber(int v) const;
    /** The number's value as a 32-bit integer (0 for a non-number). */
    int NSNumbertoInt(const QVariant& number) const;

    // Integers in place
    /** YES and unchanged when *p equals end; otherwise adds step and answers NO. */
    bool pStepChangeIntStepEnd(int* p, int step, int end) const;
    void pLimitIntMinMax(int* p, int lo, int hi) const;
    void pMinIntMin(int* p, int lo) const;
    void pMaxIntMax(int* p, int hi) const;
    void pCycleIntMinMaxStep(int* p, int lo, int hi, int step) const;
    void pRndRangeMinWithGainNumMaxGain(int* p, int lo, int hi, float gain) const;
    /** Adds lo to *p (no random draw). */
    void pRndRangeNumMinMax(int* p, int lo, int hi) const;

    // Floats
    float limitFloatMinMax(float v, float lo, float hi) const;
    /** Below lo gives hi; then above hi gives lo; otherwise v. */
    float cycleFloatMinMax(float v, float lo, float hi) const;
    /** v + step while |v - end| exceeds 1.1920929e-7, otherwise v. */
    float stepChangeFloatStepEnd(float v, float step, float end) const;
    float differenceBetweenFloatAnd(float a, float b) const;
    bool isFloatTheSameAsFuzzy(float a, float b, float fuzzy) const;
    /** v + 0.499 truncated toward zero (0.5 gives 0); saturating, NaN gives 0. */
    int roundFloat(float v) const;
    /** random() mod m, times f unless f is 1.0; 0 when m is 0. */
    float rndModFactor(int m, float f) const;
    /** One of 100 evenly spaced values from lo toward hi; logs its steps. */
    float rndRangeMinFloatMax(float lo, float hi) const;
    float rndRangeMinFloatWithGainMaxGain(float lo, float hi, float gain) const;
    /** 0 below lo*w, 1 above hi*w, else the fraction between; 0 for an empty range. */
    float fractionFromPosWidthMinMax(float pos, float w, float lo, float hi) const;
    float floatFromPercentLimitLowLimitHigh(float pct, float lo, float hi) const;
    /** A rectangle read as (position, lower bound, upper bound, direction), one step on. */
    QRectF bounce(const QRectF& state) const;

    // Floats in place
    void pCycleFloatMinMax(float* p, float lo, float hi) const;
    void pLimitFloatMinMax(float* p, float lo, float hi) const;
    void pRoundFloat(float* p) const;
    void pRndModNumModFactor(float* p, int m, float f) const;
    /** Adds step and answers YES while |*p - end| exceeds 1.1920929e-7; NO and unchanged after. */
    bool pStepChangeFloatStepEnd(float* p, float step, float end) const;
    /** Adds lo to *p (no random draw). */
    void pRndRangeMinFloatNumMinMax(float* p, float lo, float hi) const;
    /** Multiplies *p by gain (no random draw). */
    void pRndRangeMinFloatWithGainNumMinMaxGain(float* p, float lo, float hi, float gain) const;

    // Resize rule
    void setDefaultWindowHasTitleBar(const QRectF& window, bool hasTitleBar);
    void objectPositionXPositionY(int x, int y);
    void objectFixedEdgeLeftRightTopBtm(bool leftRight, bool topBtm);
    void objectRescaleWidthHeight(bool width, bool height);
    /** Applies preset 0 to 18; other numbers trace "Don't know %d" and change nothing. */
    void set2dSystem(int preset);
    /** The control's frame in a window resized to window, by the current rule. */
    QRectF positionInNewWindowObject(const QRectF& window, const QRectF& object) const;

    bool isObjectFixedEdgeLeftRight() const { return m_objectFixedEdgeLeftRight; }
    void setObjectFixedEdgeLeftRight(bool v) { m_objectFixedEdgeLeftRight = v; }
    bool isObjectFixedEdgeTopBtm() const { return m_objectFixedEdgeTopBtm; }
    void setObjectFixedEdgeTopBtm(bool v) { m_objectFixedEdgeTopBtm = v; }
    bool isObjectRescalesWidth() const { return m_objectRescalesWidth; }
    void setObjectRescalesWidth(bool v) { m_objectRescalesWidth = v; }
    bool isObjectRescalesHeight() const { return m_objectRescalesHeight; }
    void setObjectRescalesHeight(bool v) { m_objectRescalesHeight = v; }
    bool isWindowHasTitleBar() const { return m_windowHasTitleBar; }
    void setWindowHasTitleBar(bool v) { m_windowHasTitleBar = v; }
    int objectPositioningX() const { return m_objectPositioningX; }
    void setObjectPositioningX(int v) { m_objectPositioningX = v; }
    int objectPositioningY() const { return m_objectPositioningY; }
    void setObjectPositioningY(int v) { m_objectPositioningY = v; }
    QRectF winOriginal() const { return m_winOriginal; }
    void setWinOriginal(const QRectF& r) { m_winOriginal = r; }

private:
    LibMath() = default;

    bool m_objectFixedEdgeLeftRight = false;
    bool m_objectFixedEdgeTopBtm = false;
    bool m_objectRescalesWidth = false;
    bool m_objectRescalesHeight = false;
    bool m_windowHasTitleBar = false;
    int m_objectPositioningX = 0;
    int m_objectPositioningY = 0;
    QRectF m_winOriginal;
};
