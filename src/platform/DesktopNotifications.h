#pragma once

#include <QString>

#include <functional>

class QObject;

/**
 * Notifications shown by the desktop (a bubble that takes no keyboard focus). This base class is the
 * null backend: it shows nothing and says so. Platform::notifications() answers the one in use.
 */
class DesktopNotifications
{
public:
    /** Receives whether a notification server took the notification. */
    using Answer = std::function<void(bool shown)>;

    virtual ~DesktopNotifications() = default;

    /** Shows summary and body. answer runs once on the main thread (unless context is gone by then),
     *  false when no server answered; this default answers false at once. */
    virtual void notify(const QString& summary, const QString& body, QObject* context, Answer answer);
};
