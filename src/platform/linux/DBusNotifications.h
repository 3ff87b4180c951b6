#pragma once

#include "DesktopNotifications.h"

/**
 * Desktop notifications through org.freedesktop.Notifications on the session bus. A call that gets
 * no answer within a few seconds, or an error (no server, no bus), answers false.
 */
class DBusNotifications : public DesktopNotifications
{
public:
    void notify(const QString& summary, const QString& body, QObject* context, Answer answer) override;
};
