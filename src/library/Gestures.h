#pragma once

#include "SharedInstance.h"

#include <QObject>
#include <QPointF>
#include <QString>

#include <array>

class QTimer;
struct Notification;

/**
 * The multi-touch gesture recogniser and its gesture-sequence search.
 *
 * The host feeds one call per touch sample (finger number, position in the 320 x 480 portrait frame,
 * phase). Positions are mapped into a square 480 x 480 frame with y growing downwards, stamped with the
 * monotonic clock (Clock::current().monotonic()) and kept in a fixed store of 240 samples. When the last
 * finger lifts, the touch is classified into one gesture code (taps by duration, else the visit order of
 * a three-by-three grid over the touch's bounding box), published in fingerGesture() and announced by
 * gestureAnnounced(). The codes of the latest touches go into a ring of eight; a 0.1 s timer searches it
 * for a gesture sequence shortly after the input falls quiet and posts the result as the notification
 * "GS:" with the code in decimal as its object.
 *
 * Bad input never leads outside the store: a finger beyond the fifth has no per-finger record (the
 * touch then classifies as -1), a lift or a move with no finger down is dropped, a sample that would
 * take slot 240 resets the store instead of being kept, and the watchdog's reset also clears the
 * finger count so that one lost lift cannot block classification for ever.
 *
 * Everything runs on the thread that owns the instance (the main thread); nothing is locked. The two
 * timers start as soon as an application object exists on that thread.
 */
class Gestures : public QObject, public SharedInstance<Gestures>
{
    Q_OBJECT
    friend class SharedInstance<Gestures>;

public:
    static constexpr int StoreCapacity = 240;
    static constexpr int FingerRecords = 5;
    static constexpr int RingSize = 8;
    /** Fingers counted down at most; a finger beyond this is dropped altogether. */
    static constexpr int MaxCountedFingers = 10;

    /** Phase of a stored sample. */
    enum FingerTouchState { FTS_DONTKNOW = 0, FTS_BEGAN = 1, FTS_MOVED = 2, FTS_ENDED = 3 };

    /** The nine grid points, row by row from the top. */
    enum GridPoint { TL = 0, T, TR, L, C, R, BL, B, BR };

    // ---- Touch input: one call per sample, in the order the samples happen ----

    /** A finger went down at position (host frame). A finger beyond MaxCountedFingers is dropped. */
    void GSBeganTouchEventPosition(int finger, QPointF position);
    /** A finger moved. Dropped while no finger is down. */
    void GSMovedTouchEventPosition(int finger, QPointF position);
    /** A finger lifted; classifies the touch when it was the last finger. Dropped while no finger is
     *  down. */
    void GSEndedTouchEventPosition(int finger, QPointF position);

    // ---- Configuration and state ----

    /** Stores mode, minimum length, tap maximum length and the four points as they are. */
    void GSsetVarsGMLTMLGTSEGNPRES(int mode, int minimumLength, int tapMaxLength, QPointF gridTooSmall,
                                   QPointF expandGrid, QPointF nearPoint, QPointF resolution);
    /** Default parameters; no sequence search before the next touch; orientation 1, y axis down. */
    void GSsetDefaults();
    void GSSetgestureMode(int mode);
    /** Empties the sample store for the next touch (sample arrays and finger records stay as they are)
     *  and enables the sequence search again. */
    void GSResetValues();
    /** Zeroes the sample arrays, resets the ring, then GSResetValues. */
    void GSinitializeArrays();

    int fingerGesture() const { return m_fingerGesture; }
    void setFingerGesture(int code) { m_fingerGesture = code; }
    int numActiveFingers() const { return m_numActiveFingers; }
    void setNumActiveFingers(int count);
    int GSorientation() const { return m_GSorientation; }
    void setGSorientation(int orientation) { m_GSorientation = orientation; }
    bool isCS_Cocos2d() const { return m_CS_Cocos2d; }
    void setCS_Cocos2d(bool yUp) { m_CS_Cocos2d = yUp; }
    float timeBetweenTaps() const { return m_timeBetweenTaps; }
    void setTimeBetweenTaps(float seconds) { m_timeBetweenTaps = seconds; }

    /** Position of the per-finger first sample at slot 0..4; (0, 0) for any other slot. */
    QPointF getFingerBeganPos(int slot) const;
    /** Position of the per-finger last sample at slot 0..4; (0, 0) for any other slot. */
    QPointF getFingerEndedPos(int slot) const;
    /** Time of the per-finger first sample at slot 0..4; 0 for any other slot. */
    float getFingerBeganTime(int slot) const;
    /** Time of the per-finger last sample at slot 0..4; 0 for any other slot. */
    float getFingerEndedTime(int slot) const;

    // Read-only views of the parameters and the store, for hosts and tests.
    int gestureMode() const { return m_gestureMode; }
    int gestureMinimumLength() const { return m_gestureMinimumLength; }
    int tapMaximumLength() const { return m_tapMaximumLength; }
    QPointF gridTooSmall() const { return m_gridTooSmall; }
    QPointF expandGrid() const { return m_expandGrid; }
    QPointF nearPoint() const { return m_nearPoint; }
    QPointF resolution() const { return m_resolution; }
    int fingerIndex() const { return m_fingerIndex; }
    int numTouchBegan() const { return m_numTouchBegan; }
    int numTouchMoved() const { return m_numTouchMoved; }
    int numTouchEnded() const { return m_numTouchEnded; }
    int GSwatchdog() const { return m_GSwatchdog; }
    QPointF eventBeganTouchPosition() const { return m_eventBeganTouchPosition; }
    QPointF eventMovedTouchPosition() const { return m_eventMovedTouchPosition; }
    QPointF eventEndedTouchPosition() const { return m_eventEndedTouchPosition; }
    int eventBeganTouchNum() const { return m_eventBeganTouchNum; }
    int eventMovedTouchNum() const { return m_eventMovedTouchNum; }
    int eventEndedTouchNum() const { return m_eventEndedTouchNum; }
    float eventBeganTouchTime() const { return m_eventBeganTouchTime; }
    float eventEndedTouchTime() const { return m_eventEndedTouchTime; }
    float lastBeganTouchTime() const { return m_lastBeganTouchTime; }
    /** The stored sample at slot 0..239: position, time, fingers down and phase; zeros elsewhere. */
    QPointF fingerXY(int slot) const;
    float fingerTime(int slot) const;
    int fingerNumActive(int slot) const;
    int fingerTouchState(int slot) const;
    /** Visit orders of the nine grid points found by the latest grid analysis (0: not reached). */
    std::array<int, 9> lastGridOrder() const { return m_lastGridOrder; }

    // ---- Classification (run by the recogniser itself at the last lift) ----

    /** Classifies the stored touch into fingerGesture, announces it, then empties the store. */
    void processTouches();
    /** The gesture code of the stored touch: the tap test, then the grid analysis (-1 when the store
     *  holds no sample at all, as after an overflow on the final lift). */
    int analyzeTouches();
    /** The grid analysis: a gesture code, -1 (no rule matches, or a finger count other than 1 to 4) or
     *  -2 (all nine grid points reached). Writes the grid to standard output. */
    int advancedGestureCheck();

    // ---- Position mapping and geometry ----

    /** The position mapped into the 480 x 480 frame for orientation 1 to 4; (0, 0) for any other. */
    QPointF getOrientationPoint(int orientation, QPointF point) const;
    /** Keeps the sample at slot: updates the extreme-sample slots and the slot of the largest finger
     *  count and advances fingerIndex while a finger is down. A slot of 240 or more traces
     *  "fingerArrays: Overflow, resetting" and empties the store; a negative slot is ignored. */
    void updateMaxMinWithPointWithTimeNumFingers(int slot, QPointF point, float time, int numFingers);
    /** True when |a - b| < fuzz. */
    static bool isIntTheSameAsFuzzy(int a, int b, int fuzz);
    /** True when fuzz > |a - b| truncated toward zero (any difference below 1 counts as 0); false for
     *  NaN. */
    static bool isFloatTheSameAsFuzzy(float a, float b, float fuzz);
    /** True when fuzz.x > |p.x - q.x| and fuzz.y > |p.y - q.y|, each difference rounded to float32. */
    static bool isPointTheSameAsFuzzy(QPointF p, QPointF q, QPointF fuzz);
    /** The Euclidean distance. */
    static double getDistanceBetweenTwoPointsAndB(QPointF a, QPointF b);
    /** atan((b.y - a.y) / (a.x - b.x)) in degrees: +-90 for a vertical pair, 0 for the same x and y. */
    static double getAngleBetweenPointsAndB(QPointF a, QPointF b);
    /** a - b. */
    static QPointF getDifferenceBetweenPointsAndB(QPointF a, QPointF b);
    /** (|a.x - b.x|, |a.y - b.y|). */
    static QPointF getAbsoluteDiffenceBetweenPointsAndB(QPointF a, QPointF b);

    // ---- Notifications, timers and diagnostics ----

    /** Observer of notifications named "ISM": traces name, object and the object's integer value. */
    void handleNotification(const Notification& notification);
    /** The one-second watchdog: after ten quiet ticks with a finger still down, traces
     *  "ismUpdateWatchdog:timeout, resetting values", empties the store and clears the finger count. */
    void GSUpdateWatchdog();
    /** Writes the code's message and a line feed to standard output (only the line feed for a code
     *  without message). */
    static void DebugGestures(int code);
    /** The message of a gesture code; "" for a code without message. */
    static QString gestureMessage(int code);

    // ---- Gesture sequences ----

    /** The 0.1 s sequence timer: on the fourth tick after the latest sample (while enabled), searches
     *  the ring, stores the result in gestureSequence and posts "GS:" with it. */
    void processGestureSequence();
    /** The sequence code of the ring (slots 0 to 4); resets the ring in every case. */
    int searchForGestureSequence();
    /** Gaps 0, 11, 22, ... 77 s, every code -1, the pointer at slot 0. */
    void resetTweens();
    /** The n-th latest recorded code (0: latest) for n in 0..7; -1 for any other n. */
    int getGesture(int n) const;
    /** The gap recorded with the n-th latest code for n in 0..7; 0 for any other n. */
    float getTweenTime(int n) const;
    /** The lift time of the latest record when it and the four before it are each the same as the next
     *  within fuzz (isFloatTheSameAsFuzzy); else 0. */
    float avgGesturePeriod(int fuzz) const;
    /** 10 or 11. */
    static bool vtLineQ(int code);
    /** 12 or 13. */
    static bool hzLineQ(int code);
    /** 22 or 23 (top left to bottom right). */
    static bool DLLineQ(int code);
    /** 20 or 21 (bottom left to top right). */
    static bool DRLineQ(int code);
    int gestureSequence() const { return m_gestureSequence; }
    void setGestureSequence(int code) { m_gestureSequence = code; }
    bool isGestureSequenceEnabled() const { return m_gestureSequenceEnabled; }
    void setGestureSequenceEnabled(bool on) { m_gestureSequenceEnabled = on; }
    int tweenPointer() const { return m_tweenPointer; }
    int seqTimerWatchdog() const { return m_seqTimerWatchdog; }
    /** Ring slot k (0..7) as stored: code, gap before the touch, lift time; -1 / 0 / 0 elsewhere. */
    int fingerGestures(int slot) const;
    float tweenTime(int slot) const;
    float period(int slot) const;
    /** Writes the sequence code's message and a line feed to standard output. */
    static void DebugGestureSeq(int code);
    /** The message of a sequence code; "" for a code without message. */
    static QString sequenceMessage(int code);

signals:
    /** A touch has been classified; fingerGesture() holds its code. */
    void gestureAnnounced();

private:
    Gestures();

    void ensureTimers();
    void touchSampleArrived();
    /** Stores a sample at fingerIndex; false (after the overflow reset) when the store is full. */
    bool storeSample(QPointF position, float time, int fingers, FingerTouchState state);
    void overflowReset();
    int classifyOneFinger(const std::array<int, 9>& order, bool blip) const;
    int classifyTwoFingers(const std::array<int, 9>& order) const;

    // Parameters.
    int m_gestureMode = 1;
    int m_gestureMinimumLength = 50;
    int m_tapMaximumLength = 25;
    QPointF m_gridTooSmall{100, 100};
    QPointF m_expandGrid{100, 100};
    QPointF m_nearPoint{50, 50};
    QPointF m_resolution{25, 25};
    int m_GSorientation = 1;
    bool m_CS_Cocos2d = false;

    // Sample store.
    std::array<QPointF, StoreCapacity> m_fingerXY{};
    std::array<float, StoreCapacity> m_fingerTime{};
    std::array<int, StoreCapacity> m_fingerNumActive{};
    std::array<int, StoreCapacity> m_fingerTouchState{};
    int m_fingerIndex = 0;
    int m_fingerIndexLeft = 0;
    int m_fingerIndexRight = 0;
    int m_fingerIndexTop = 0;
    int m_fingerIndexBtm = 0;
    int m_fingerIndexNumMax = 0;
    bool m_storeEmpty = true;

    // Per-finger records.
    std::array<QPointF, FingerRecords> m_fingerBeganXY{};
    std::array<float, FingerRecords> m_fingerBeganTime{};
    std::array<QPointF, FingerRecords> m_fingerEndedXY{};
    std::array<float, FingerRecords> m_fingerEndedTime{};

    // Counters and last events.
    int m_numActiveFingers = 0;
    int m_numTouchBegan = 0;
    int m_numTouchMoved = 0;
    int m_numTouchEnded = 0;
    int m_eventBeganTouchNum = 0;
    QPointF m_eventBeganTouchPosition;
    float m_eventBeganTouchTime = 0;
    int m_eventMovedTouchNum = 0;
    QPointF m_eventMovedTouchPosition;
    float m_eventMovedTouchTime = 0;
    int m_eventEndedTouchNum = 0;
    QPointF m_eventEndedTouchPosition;
    float m_eventEndedTouchTime = 0;
    float m_lastBeganTouchTime = 0;
    float m_timeBetweenTaps = 0;
    int m_fingerGesture = 0;
    int m_GSwatchdog = 0;
    std::array<int, 9> m_lastGridOrder{};

    // Ring of recent gestures and the sequence search.
    std::array<float, RingSize> m_tweenTime{};
    std::array<float, RingSize> m_period{};
    std::array<int, RingSize> m_fingerGestures{};
    int m_tweenPointer = 0;
    int m_seqTimerWatchdog = 0;
    bool m_gestureSequenceEnabled = true;
    int m_gestureSequence = 0;

    QTimer* m_watchdogTimer = nullptr;
    QTimer* m_sequenceTimer = nullptr;
};
