#pragma once

#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QSizeF>

#include <map>

class Gestures;
class QTouchEvent;
class QWidget;

/**
 * Drives the gesture recogniser from a real touch screen: watches a widget's touch events and turns
 * each touch point into the recogniser's three touch operations (went down, moved, lifted).
 *
 * Positions are scaled from the widget's size into the 320 x 480 portrait frame the recogniser takes,
 * whatever the widget's size. Each touch point keeps one finger number from its press to its release:
 * the lowest number no other finger down is using. Stationary points send nothing. A cancelled touch
 * lifts every finger still down at its last position, so the recogniser never waits for lifts that
 * will not come.
 */
class TouchAdapter : public QObject
{
    Q_OBJECT

public:
    /** Watches target (which is made to accept touch events) and feeds gestures; both must outlive the
     *  adapter or be destroyed with it. */
    explicit TouchAdapter(QWidget* target, Gestures* gestures);
    ~TouchAdapter() override;

    /** Feeds the points of one touch event; answers true when it was a touch event (begin, update, end
     *  or cancel), false for anything else. */
    bool handleTouchEvent(const QTouchEvent& event);

    /** The point of the 320 x 480 frame for a position in an area of the given size; the position
     *  itself when the area is empty. */
    static QPointF toTouchFrame(QPointF position, QSizeF area);

    /** Fingers currently down, as seen by the adapter. */
    int fingersDown() const { return int(m_fingers.size()); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Finger
    {
        int number;
        QPointF last; // in the touch frame
    };

    int freeNumber() const;
    void liftAll();

    QPointer<QWidget> m_target;
    Gestures* m_gestures;
    std::map<int, Finger> m_fingers; // by touch point id, so that a cancel lifts them in id order
};
