#pragma once

#include "SharedInstance.h"

#include <QPointF>
#include <QString>
#include <QStringList>

#include <array>

/**
 * Small tools for touch-and-tilt games and quiz screens on a 320 x 480 portrait screen (y growing
 * downwards), sharing one instance:
 *
 *  - a single-touch swipe tracker: the host sets gestureStartPoint / currentPosition and calls
 *    processTouchesBegan / Moved / Ended; gesture() then holds one of the swipe codes
 *    (0 none, 1 touch, 2 release, 4 up-left, 5 up, 6 up-right, 7 right, 8 down-right, 9 down,
 *    10 down-left, 11 left);
 *  - hit tests of the touch's start point against rectangles, squares and a block grid;
 *  - dead-zone and shake tests of accelerometer readings;
 *  - a reader of line-array resources (text files in the app's resource directory): lines starting
 *    with "//" and empty lines are skipped, every other line is an item whose fields are separated by
 *    tabs.
 *
 * Every operation answers plainly for any input: coordinates that do not fit 32 bits saturate (NaN
 * counts as 0), block counts of zero, a random pick among fewer than two items and an empty item list
 * answer a failure value instead of dividing by zero or reading past the list.
 */
class ArrayTouchAccel : public SharedInstance<ArrayTouchAccel>
{
    friend class SharedInstance<ArrayTouchAccel>;

public:
    static constexpr int BoardSize = 100;

    // ---- Swipe tracker ----

    /** A finger went down at gestureStartPoint; the previous swipe, if any, moves to the last... fields. */
    void processTouchesBegan();
    /** The finger is at currentPosition; a direction found keeps its code while the finger moves back. */
    void processTouchesMoved();
    /** The finger lifted: the direction of the last move, or 2 (release) when it is within the limits. */
    void processTouchesEnded();
    /** The swipe code of moveX, moveY: 1 (touch) within 240 points across and 160 points up or down. */
    int getGesture() const;
    /** moveX squared plus moveY squared, saturated to the 32-bit range. */
    int getDistanceSwiped() const;
    /** -1 when move is negative and its magnitude exceeds limit, 1 when it is positive and exceeds
     *  limit, else 0. */
    static int gestureMovedDistMinDist(int move, int limit);
    /** Writes the current code's text and the move to standard output. */
    void debugGestures() const;

    // ---- Hit tests of gestureStartPoint (all comparisons strict) ----

    /** xStart < x < xEnd and yStart < y < yEnd. */
    bool hitAreaXstartXendYStartYEnd(int xStart, int xEnd, int yStart, int yEnd) const;
    /** XA < x < XB and YA < y < YB; logs "YES..." on a hit. */
    bool hitAreaXAYAXBYB(int xa, int ya, int xb, int yb) const;
    /** X < x < X + width and Y < y < Y + height. */
    bool hitWidthHeightXYWidthHeight(int x, int y, int width, int height) const;
    /** Within the square of the given size centred on (X, Y), half-size size / 2 (integer division). */
    bool hitAreaXYSize(int x, int y, int size) const;
    /** Sets blockX, blockY to the block of p in a grid of columns x rows over the 320 x 480 screen.
     *  Answers false, with both blocks -1, when the counts are not positive or a block would be less
     *  than one point wide (more than 320 columns or 480 rows). */
    bool getBlockHitHzVtPos(int columns, int rows, QPointF p);
    /** Sets gestureStartPoint to (-1, -1). */
    void clrHitAreaData();

    // ---- Tilt tests ----

    /** (1 when |a - last| <= deadZone else 0, 1 when |a - last| > shake else 0); a reading outside the
     *  dead zone becomes the new last reading. */
    static QPointF isAccelAccelLastInDeadZoneIsShaking(float& accelLast, float a, float deadZone, float shake);
    QPointF isAccelXInDeadZoneIsShaking(float a, float deadZone, float shake);
    QPointF isAccelYInDeadZoneIsShaking(float a, float deadZone, float shake);
    QPointF isAccelZInDeadZoneIsShaking(float a, float deadZone, float shake);
    /** The three axes X, Y, Z: (axes inside the dead zone, axes shaking), each 0 to 3. */
    QPointF isAxAyAzInDeadZoneIsShaking(float ax, float ay, float az, float deadZone, float shake);

    // ---- Line-array reader ----

    /** Reads the resource "name.ext" of the app's resource directory as UTF-8 lines and appends its item
     *  lines to array(). False, with linesArray empty and the four counts 0, when it cannot be read. */
    bool loadArrayFromFileNameWithFileExt(const QString& name, const QString& ext);
    /** Steps to the next item (stopping at the last item of the latest load) and loads it. */
    void getNextItem();
    /** Steps to the previous item (stopping at 0) and loads it. */
    void getPrevItem();
    /** Picks an item other than the last of the latest load at random and loads it; with fewer than two
     *  item lines the pick is item 0. */
    void getRandomItem();
    /** Loads the item at currentItem (the argument is not consulted) into currentLine, oneLineArray and
     *  numOneLine; an index outside array() loads the empty line with no fields. */
    void getItemNum(int item);

    // ---- Other ----

    /** Adds 1.0 to tick. */
    void incTick();
    /** Logs "hi from SC-ArrayTouchAccel"; answers "Greetings from ArrayTouchAccel". */
    QString greet();
    /** board at pos (0..99); 0 for any other pos. */
    quint64 getFieldValueAtPos(int pos) const;
    /** Sets board at pos (0..99); other positions are ignored. */
    void setFieldValueAtPosToValue(int pos, quint64 value);
    quint64 getNSInt() const { return m_board2; }
    void setNSInt(quint64 value) { m_board2 = value; }
    int getInt() const { return m_someInt; }
    void setInt(int value) { m_someInt = value; }
    QString getStr() const { return m_someNSString; }
    void setStr(const QString& text) { m_someNSString = text; }
    /** Does nothing. */
    void multiplyAByB(int a, int b);
    /** Does nothing. */
    void onetwo();

    // ---- Properties ----

    QStringList linesArray() const { return m_linesArray; }
    void setLinesArray(const QStringList& lines) { m_linesArray = lines; }
    QStringList array() const { return m_array; }
    void setArray(const QStringList& items) { m_array = items; }
    QStringList oneLineArray() const { return m_oneLineArray; }
    void setOneLineArray(const QStringList& fields) { m_oneLineArray = fields; }
    QString currentLine() const { return m_currentLine; }
    void setCurrentLine(const QString& line) { m_currentLine = line; }
    int numOneLine() const { return m_numOneLine; }
    void setNumOneLine(int n) { m_numOneLine = n; }
    int totalNumLines() const { return m_totalNumLines; }
    void setTotalNumLines(int n) { m_totalNumLines = n; }
    int totalNumItemLines() const { return m_totalNumItemLines; }
    void setTotalNumItemLines(int n) { m_totalNumItemLines = n; }
    int lastLineNum() const { return m_lastLineNum; }
    void setLastLineNum(int n) { m_lastLineNum = n; }
    int currentItem() const { return m_currentItem; }
    void setCurrentItem(int n) { m_currentItem = n; }
    QPointF gestureStartPoint() const { return m_gestureStartPoint; }
    void setGestureStartPoint(QPointF p) { m_gestureStartPoint = p; }
    QPointF currentPosition() const { return m_currentPosition; }
    void setCurrentPosition(QPointF p) { m_currentPosition = p; }
    int moveX() const { return m_moveX; }
    void setMoveX(int n) { m_moveX = n; }
    int moveY() const { return m_moveY; }
    void setMoveY(int n) { m_moveY = n; }
    int distanceSwiped() const { return m_distanceSwiped; }
    void setDistanceSwiped(int n) { m_distanceSwiped = n; }
    int gesture() const { return m_gesture; }
    void setGesture(int code) { m_gesture = code; }
    int blockX() const { return m_blockX; }
    void setBlockX(int n) { m_blockX = n; }
    int blockY() const { return m_blockY; }
    void setBlockY(int n) { m_blockY = n; }
    QPointF lastGestureStartPoint() const { return m_lastGestureStartPoint; }
    void setLastGestureStartPoint(QPointF p) { m_lastGestureStartPoint = p; }
    int lastMoveX() const { return m_lastMoveX; }
    void setLastMoveX(int n) { m_lastMoveX = n; }
    int lastMoveY() const { return m_lastMoveY; }
    void setLastMoveY(int n) { m_lastMoveY = n; }
    int lastDistanceSwiped() const { return m_lastDistanceSwiped; }
    void setLastDistanceSwiped(int n) { m_lastDistanceSwiped = n; }
    int lastGesture() const { return m_lastGesture; }
    void setLastGesture(int code) { m_lastGesture = code; }
    int lastTouchRecorded() const { return m_lastTouchRecorded; }
    void setLastTouchRecorded(int n) { m_lastTouchRecorded = n; }
    int numOfTimesTapped() const { return m_numOfTimesTapped; }
    void setNumOfTimesTapped(int n) { m_numOfTimesTapped = n; }
    double tick() const { return m_tick; }
    void setTick(double t) { m_tick = t; }

private:
    ArrayTouchAccel() = default;

    QStringList m_linesArray;
    QStringList m_array;
    QStringList m_oneLineArray;
    QString m_currentLine;
    int m_numOneLine = 0;
    int m_totalNumLines = 0;
    int m_totalNumItemLines = 0;
    int m_lastLineNum = 0;
    int m_currentItem = 0;

    QPointF m_gestureStartPoint;
    QPointF m_currentPosition;
    int m_moveX = 0;
    int m_moveY = 0;
    int m_distanceSwiped = 0;
    int m_gesture = 0;
    int m_blockX = 0;
    int m_blockY = 0;
    QPointF m_lastGestureStartPoint;
    int m_lastMoveX = 0;
    int m_lastMoveY = 0;
    int m_lastDistanceSwiped = 0;
    int m_lastGesture = 0;
    int m_lastTouchRecorded = 0;
    int m_numOfTimesTapped = 0;

    float m_lastAccelerationX = 0;
    float m_lastAccelerationY = 0;
    float m_lastAccelerationZ = 0;
    double m_tick = 0.0;

    std::array<quint64, BoardSize> m_board{};
    quint64 m_board2 = 0;
    int m_someInt = 0;
    QString m_someNSString;
};
