#pragma once

#include "SystemEvents.h"

class QSocketNotifier;
class QTimer;

/**
 * Suspend and resume from systemd-logind's PrepareForSleep signal on the system bus (the address in
 * DBUS_SYSTEM_BUS_ADDRESS when set), and network changes from an rtnetlink socket subscribed to link,
 * address and route changes. The socket is drained on each wake-up and then left unwatched for a
 * twelfth of a second, so that a flapping link costs at most twelve wake-ups a second.
 */
class LinuxSystemEvents : public SystemEvents
{
    Q_OBJECT

public:
    explicit LinuxSystemEvents(QObject* parent = nullptr);
    ~LinuxSystemEvents() override;

    void watchSleep() override;
    bool watchNetwork(bool on) override;

private slots:
    void prepareForSleep(bool sleeping);

private:
    void readNetlink();

    bool m_watchingSleep = false;
    int m_netlink = -1;
    QSocketNotifier* m_notifier = nullptr;
    QTimer* m_rest = nullptr;
};
