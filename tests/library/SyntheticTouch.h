#pragma once

#include <QPointF>
#include <QSizeF>
#include <QString>

#include <vector>

class Gestures;
class ManualClock;

/**
 * Synthetic touches for the gesture recogniser.
 *
 * Shapes are written as paths through the nine grid points of a box, named as the recogniser names
 * them (TL, T, TR / L, C, R / BL, B, BR), in the recogniser's square 480 x 480 frame with y growing
 * downwards. The generator lays the box where the style says, samples the path at the style's step
 * and pace, shakes every sample by a seeded jitter, and converts the positions into the host's
 * 320 x 480 frame (x / 1.5) that the touch operations take.
 */
namespace synth {

enum class Phase { Began, Moved, Ended };

/** One host call: phase, finger number, position in the host frame, seconds since the touch began. */
struct Sample
{
    Phase phase;
    int finger;
    QPointF position;
    double time;
};

using Touch = std::vector<Sample>;

/** Places in a unit box: x and y from 0 (left, top) to 1 (right, bottom). */
namespace grid {
inline const QPointF TL{0.0, 0.0};
inline const QPointF T{0.5, 0.0};
inline const QPointF TR{1.0, 0.0};
inline const QPointF L{0.0, 0.5};
inline const QPointF C{0.5, 0.5};
inline const QPointF R{1.0, 0.5};
inline const QPointF BL{0.0, 1.0};
inline const QPointF B{0.5, 1.0};
inline const QPointF BR{1.0, 1.0};
} // namespace grid

/** How a touch is drawn. Lengths are in the recogniser's frame. */
struct Style
{
    QSizeF box{300, 300};    ///< the unit box scaled to this size
    QPointF topLeft{90, 90}; ///< where the box's top-left corner lies
    double step = 10;        ///< distance a finger moves between two of its samples
    double interval = 0.012; ///< seconds between two samples of one finger
    double jitter = 3;       ///< every position is off by up to this much on each axis
    unsigned seed = 1;

    /** The same style with a square box of side size placed with its top-left corner at (x, y). */
    Style placed(double size, double x, double y) const;
    /** The same style with the box centred in the frame. */
    Style centred(QSizeF size) const;
};

/** One finger drawn along the path (began at the first point, lifted at the last). */
Touch stroke(const std::vector<QPointF>& path, const Style& style);

/**
 * Several fingers, one path each (a path of one point holds still). The fingers go down in the order
 * given, then move together frame by frame (at least minFrames frames, enough for the longest path
 * at the style's step), then lift in the order given.
 */
Touch fingers(const std::vector<std::vector<QPointF>>& paths, const Style& style, int minFrames = 0);

/** One finger held near a point for the given seconds, trembling by the style's jitter. */
Touch hold(QPointF at, double seconds, const Style& style);

/** The host-frame point of a point in the recogniser's frame. */
QPointF toHost(QPointF frame);

/** A touch with the recogniser's expected code, and the reading that gives that code. */
struct Item
{
    QString label;
    int code;
    Touch touch;
};

/** The labelled corpus: every one-finger line, blip and shape, two-finger swipes and turns, two-,
 *  three- and four-finger taps and single taps, each at several sizes, speeds and jitters. */
std::vector<Item> gestureCorpus();

/** Feeds a touch to the recogniser, moving the clock to each sample's time first. */
void play(Gestures& gestures, ManualClock& clock, const Touch& touch);

/**
 * Plays touches against the clock as the host's event loop would, firing the recogniser's 0.1 s
 * sequence timer and 1 s watchdog at their times in between.
 */
class Timeline
{
public:
    Timeline(Gestures& gestures, ManualClock& clock);

    /** Lets seconds pass, firing the timers that fall due. */
    void wait(double seconds);
    /** Plays the touch from now on, the timers firing between its samples. */
    void play(const Touch& touch);

private:
    void advanceTo(double t);

    Gestures& m_gestures;
    ManualClock& m_clock;
    double m_now = 0;
    long m_sequenceTicks = 0;
    long m_watchdogTicks = 0;
};

} // namespace synth
