// The classification of a finished touch: the tap test, then the visit order of a three-by-three grid
// over the touch's bounding box, read by the rules for one, two, three and four fingers.

#include "Gestures.h"

#include "Numbers.h"
#include "Trace.h"

#include <cmath>
#include <cstdio>
#include <initializer_list>

namespace {

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

} // namespace

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
        const int last = qBound(0, m_fingerIndex, StoreCapacity - 1);
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
    const int walked = qBound(0, m_fingerIndex, StoreCapacity);
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
