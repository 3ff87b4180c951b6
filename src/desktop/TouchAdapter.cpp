#include "TouchAdapter.h"

#include "Gestures.h"

#include <QEvent>
#include <QEventPoint>
#include <QTouchEvent>
#include <QWidget>

#include <utility>

namespace {
constexpr double FrameWidth = 320.0;
constexpr double FrameHeight = 480.0;
} // namespace

TouchAdapter::TouchAdapter(QWidget* target, Gestures* gestures)
    : QObject(target), m_target(target), m_gestures(gestures)
{
    if (m_target) {
        m_target->setAttribute(Qt::WA_AcceptTouchEvents);
        m_target->installEventFilter(this);
    }
}

TouchAdapter::~TouchAdapter()
{
    if (m_target) {
        m_target->removeEventFilter(this);
    }
}

QPointF TouchAdapter::toTouchFrame(QPointF position, QSizeF area)
{
    if (area.width() <= 0 || area.height() <= 0) {
        return position;
    }
    return QPointF(position.x() * FrameWidth / area.width(), position.y() * FrameHeight / area.height());
}

bool TouchAdapter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_target && event->isPointerEvent()) {
        if (event->type() == QEvent::TouchBegin || event->type() == QEvent::TouchUpdate ||
            event->type() == QEvent::TouchEnd || event->type() == QEvent::TouchCancel) {
            handleTouchEvent(*static_cast<QTouchEvent*>(event));
            // Accepted here, so that no mouse events are made up from the touch.
            event->accept();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

int TouchAdapter::freeNumber() const
{
    int number = 0;
    for (;;) {
        bool used = false;
        for (const auto& [id, finger] : m_fingers) {
            if (finger.number == number) {
                used = true;
                break;
            }
        }
        if (!used) {
            return number;
        }
        ++number;
    }
}

void TouchAdapter::liftAll()
{
    const std::map<int, Finger> down = std::exchange(m_fingers, {});
    for (const auto& [id, finger] : down) {
        m_gestures->GSEndedTouchEventPosition(finger.number, finger.last);
    }
}

bool TouchAdapter::handleTouchEvent(const QTouchEvent& event)
{
    const QEvent::Type type = event.type();
    if (type != QEvent::TouchBegin && type != QEvent::TouchUpdate && type != QEvent::TouchEnd &&
        type != QEvent::TouchCancel) {
        return false;
    }
    if (type == QEvent::TouchCancel) {
        liftAll();
        return true;
    }
    const QSizeF area = m_target ? QSizeF(m_target->size()) : QSizeF();
    for (const QEventPoint& point : event.points()) {
        const QPointF at = toTouchFrame(point.position(), area);
        auto known = m_fingers.find(point.id());
        switch (point.state()) {
        case QEventPoint::State::Pressed:
            if (known != m_fingers.end()) {
                // A press for a point already down (a lost release): end it first.
                m_gestures->GSEndedTouchEventPosition(known->second.number, known->second.last);
                m_fingers.erase(known);
            }
            {
                const Finger finger{freeNumber(), at};
                m_fingers.emplace(point.id(), finger);
                m_gestures->GSBeganTouchEventPosition(finger.number, at);
            }
            break;
        case QEventPoint::State::Updated:
            if (known == m_fingers.end()) {
                // A point first seen moving went down where it is now.
                const Finger finger{freeNumber(), at};
                m_fingers.emplace(point.id(), finger);
                m_gestures->GSBeganTouchEventPosition(finger.number, at);
            } else {
                known->second.last = at;
                m_gestures->GSMovedTouchEventPosition(known->second.number, at);
            }
            break;
        case QEventPoint::State::Released:
            if (known != m_fingers.end()) {
                const int number = known->second.number;
                m_fingers.erase(known);
                m_gestures->GSEndedTouchEventPosition(number, at);
            }
            break;
        default:
            break; // stationary or unknown: nothing happened to this finger
        }
    }
    // The end of the touch sequence: no finger is down any more, whatever the points said.
    if (type == QEvent::TouchEnd) {
        liftAll();
    }
    return true;
}
