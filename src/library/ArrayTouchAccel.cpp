#include "ArrayTouchAccel.h"

#include "Files.h"
#include "Format.h"
#include "Numbers.h"
#include "ProcessLog.h"
#include "Resources.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int ScreenWidth = 320;
constexpr int ScreenHeight = 480;
constexpr int HorizontalSwipe = 240;
constexpr int VerticalSwipe = 160;

void writeOut(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

} // namespace

// ---- Swipe tracker ----

void ArrayTouchAccel::processTouchesBegan()
{
    if (m_lastTouchRecorded != 0) {
        m_lastGestureStartPoint = m_gestureStartPoint;
        m_lastMoveX = m_moveX;
        m_lastMoveY = m_moveY;
        m_lastDistanceSwiped = m_distanceSwiped;
        m_lastGesture = m_gesture;
        m_lastTouchRecorded = 2;
    }
    m_currentPosition = m_gestureStartPoint;
    m_moveX = 0;
    m_moveY = 0;
    m_gesture = getGesture();
    if (m_numOfTimesTapped < INT_MAX) {
        ++m_numOfTimesTapped;
    }
}

void ArrayTouchAccel::processTouchesMoved()
{
    m_moveX = truncatedInt(m_gestureStartPoint.x() - m_currentPosition.x());
    m_moveY = truncatedInt(m_gestureStartPoint.y() - m_currentPosition.y());
    const int code = getGesture();
    if (code >= 2) {
        m_gesture = code;
    }
    m_distanceSwiped = getDistanceSwiped();
}

void ArrayTouchAccel::processTouchesEnded()
{
    const int code = getGesture();
    m_gesture = code == 1 ? 2 : code;
    m_distanceSwiped = getDistanceSwiped();
    if (m_lastTouchRecorded == 0) {
        m_lastTouchRecorded = 1;
    }
}

int ArrayTouchAccel::getGesture() const
{
    const int h = gestureMovedDistMinDist(m_moveX, HorizontalSwipe);
    const int v = gestureMovedDistMinDist(m_moveY, VerticalSwipe);
    // Rows: v = 1 (up), 0, -1 (down); columns: h = 1 (left), 0, -1 (right).
    static const int codes[3][3] = {{4, 5, 6}, {11, 1, 7}, {10, 9, 8}};
    return codes[1 - v][1 - h];
}

int ArrayTouchAccel::getDistanceSwiped() const
{
    const qint64 x = m_moveX;
    const qint64 y = m_moveY;
    // Each square fits 63 bits; their sum may not, so saturate before adding.
    const qint64 xx = x * x;
    const qint64 yy = y * y;
    if (xx >= INT_MAX || yy >= INT_MAX || xx + yy >= INT_MAX) {
        return INT_MAX;
    }
    return int(xx + yy);
}

int ArrayTouchAccel::gestureMovedDistMinDist(int move, int limit)
{
    const qint64 magnitude = move < 0 ? -qint64(move) : qint64(move);
    if (magnitude > qint64(limit)) {
        return move < 0 ? -1 : 1;
    }
    return 0;
}

void ArrayTouchAccel::debugGestures() const
{
    QString text;
    switch (m_gesture) {
    case 0:
        text = QStringLiteral("GESTURE_NONE ");
        break;
    case 1:
        text = format("GESTURE_TOUCH at %f, %f \n", m_currentPosition.x(), m_currentPosition.y());
        break;
    case 2:
        text = format("GESTURE_RELEASE at %f, %f \n", m_currentPosition.x(), m_currentPosition.y());
        break;
    case 4:
        text = QStringLiteral("GESTURE_TL ");
        break;
    case 5:
        text = QStringLiteral("GESTURE_T ");
        break;
    case 6:
        text = QStringLiteral("GESTURE_TR ");
        break;
    case 7:
        text = QStringLiteral("GESTURE_R ");
        break;
    case 8:
        text = QStringLiteral("gestureBR ");
        break;
    case 9:
        text = QStringLiteral("GESTURE_B ");
        break;
    case 10:
        text = QStringLiteral("gestureBL ");
        break;
    case 11:
        text = QStringLiteral("GESTURE_L ");
        break;
    default:
        break;
    }
    text += format("moveX:%d  moveY:%d distanceSwiped:%f \n\n", m_moveX, m_moveY, std::sqrt(double(m_distanceSwiped)));
    writeOut(text);
}

// ---- Hit tests ----
// Bounds are widened to double before any sum, so that no int32 argument can overflow.

bool ArrayTouchAccel::hitAreaXstartXendYStartYEnd(int xStart, int xEnd, int yStart, int yEnd) const
{
    const QPointF p = m_gestureStartPoint;
    return xStart < p.x() && p.x() < xEnd && yStart < p.y() && p.y() < yEnd;
}

bool ArrayTouchAccel::hitAreaXAYAXBYB(int xa, int ya, int xb, int yb) const
{
    const QPointF p = m_gestureStartPoint;
    const bool hit = xa < p.x() && p.x() < xb && ya < p.y() && p.y() < yb;
    if (hit) {
        processLog(QStringLiteral("YES..."));
    }
    return hit;
}

bool ArrayTouchAccel::hitWidthHeightXYWidthHeight(int x, int y, int width, int height) const
{
    const QPointF p = m_gestureStartPoint;
    return x < p.x() && p.x() < double(x) + double(width) && y < p.y() && p.y() < double(y) + double(height);
}

bool ArrayTouchAccel::hitAreaXYSize(int x, int y, int size) const
{
    const QPointF p = m_gestureStartPoint;
    const double half = size / 2;
    return double(x) - half < p.x() && p.x() < double(x) + half && double(y) - half < p.y() && p.y() < double(y) + half;
}

bool ArrayTouchAccel::getBlockHitHzVtPos(int columns, int rows, QPointF p)
{
    const int blockWidth = columns > 0 ? ScreenWidth / columns : 0;
    const int blockHeight = rows > 0 ? ScreenHeight / rows : 0;
    if (blockWidth == 0 || blockHeight == 0) {
        m_blockX = -1;
        m_blockY = -1;
        return false;
    }
    m_blockX = truncatedInt(p.x() / blockWidth);
    m_blockY = truncatedInt(p.y() / blockHeight);
    return true;
}

void ArrayTouchAccel::clrHitAreaData()
{
    m_gestureStartPoint = QPointF(-1, -1);
}

// ---- Tilt tests ----

QPointF ArrayTouchAccel::isAccelAccelLastInDeadZoneIsShaking(float& accelLast, float a, float deadZone, float shake)
{
    const float difference = std::fabs(a - accelLast);
    if (difference > deadZone) {
        accelLast = a;
    }
    return QPointF(difference <= deadZone ? 1 : 0, difference > shake ? 1 : 0);
}

QPointF ArrayTouchAccel::isAccelXInDeadZoneIsShaking(float a, float deadZone, float shake)
{
    return isAccelAccelLastInDeadZoneIsShaking(m_lastAccelerationX, a, deadZone, shake);
}

QPointF ArrayTouchAccel::isAccelYInDeadZoneIsShaking(float a, float deadZone, float shake)
{
    return isAccelAccelLastInDeadZoneIsShaking(m_lastAccelerationY, a, deadZone, shake);
}

QPointF ArrayTouchAccel::isAccelZInDeadZoneIsShaking(float a, float deadZone, float shake)
{
    return isAccelAccelLastInDeadZoneIsShaking(m_lastAccelerationZ, a, deadZone, shake);
}

QPointF ArrayTouchAccel::isAxAyAzInDeadZoneIsShaking(float ax, float ay, float az, float deadZone, float shake)
{
    return isAccelXInDeadZoneIsShaking(ax, deadZone, shake) + isAccelYInDeadZoneIsShaking(ay, deadZone, shake) +
           isAccelZInDeadZoneIsShaking(az, deadZone, shake);
}

// ---- Line-array reader ----

bool ArrayTouchAccel::loadArrayFromFileNameWithFileExt(const QString& name, const QString& ext)
{
    m_linesArray.clear();
    m_totalNumLines = 0;
    m_totalNumItemLines = 0;
    m_lastLineNum = 0;
    m_currentItem = 0;

    const std::optional<QByteArray> bytes = files::readBoundedFile(resourcePath(name, ext), files::MaxTextBytes);
    if (!bytes) {
        return false;
    }
    // Split at "\n" only: a "\r" before the line feed stays part of the line, as do empty pieces.
    m_linesArray = QString::fromUtf8(*bytes).split(u'\n');
    int items = 0;
    for (qsizetype n = 0; n < m_linesArray.size(); ++n) {
        const QString& line = m_linesArray.at(n);
        if (!line.isEmpty() && !line.startsWith(QStringLiteral("//"))) {
            m_array.append(line);
            ++items;
            m_lastLineNum = int(n);
        }
    }
    m_totalNumLines = int(m_linesArray.size());
    m_totalNumItemLines = items;
    return true;
}

void ArrayTouchAccel::getNextItem()
{
    const int next = m_currentItem < INT_MAX ? m_currentItem + 1 : INT_MAX;
    m_currentItem = qMax(0, qMin(next, m_totalNumItemLines - 1));
    getItemNum(m_currentItem);
}

void ArrayTouchAccel::getPrevItem()
{
    m_currentItem = m_currentItem > 0 ? m_currentItem - 1 : 0;
    getItemNum(m_currentItem);
}

void ArrayTouchAccel::getRandomItem()
{
    // The last item line of the load is never picked; with fewer than two there is nothing to draw from.
    m_currentItem = m_totalNumItemLines >= 2 ? int(::random() % (m_totalNumItemLines - 1)) : 0;
    getItemNum(m_currentItem);
}

void ArrayTouchAccel::getItemNum(int item)
{
    Q_UNUSED(item);
    if (m_currentItem < 0 || m_currentItem >= m_array.size()) {
        m_currentLine.clear();
        m_oneLineArray.clear();
        m_numOneLine = 0;
        return;
    }
    m_currentLine = m_array.at(m_currentItem);
    m_oneLineArray = m_currentLine.split(u'\t');
    m_numOneLine = int(m_oneLineArray.size());
}

// ---- Other ----

void ArrayTouchAccel::incTick()
{
    m_tick += 1.0;
}

QString ArrayTouchAccel::greet()
{
    processLog(QStringLiteral("hi from SC-ArrayTouchAccel"));
    return QStringLiteral("Greetings from ArrayTouchAccel");
}

quint64 ArrayTouchAccel::getFieldValueAtPos(int pos) const
{
    return pos >= 0 && pos < BoardSize ? m_board[size_t(pos)] : 0;
}

void ArrayTouchAccel::setFieldValueAtPosToValue(int pos, quint64 value)
{
    if (pos >= 0 && pos < BoardSize) {
        m_board[size_t(pos)] = value;
    }
}

void ArrayTouchAccel::multiplyAByB(int a, int b)
{
    Q_UNUSED(a);
    Q_UNUSED(b);
}

void ArrayTouchAccel::onetwo() {}
