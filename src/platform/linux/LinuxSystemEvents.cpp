#include "LinuxSystemEvents.h"

#include "Trace.h"

#include <QDBusConnection>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// The quiet time after each drained burst: one tick of the monitor.
constexpr int RestMs = 83;
} // namespace

LinuxSystemEvents::LinuxSystemEvents(QObject* parent) : SystemEvents(parent)
{
    m_rest = new QTimer(this);
    m_rest->setSingleShot(true);
    m_rest->setInterval(RestMs);
    connect(m_rest, &QTimer::timeout, this, [this] {
        if (m_notifier) {
            m_notifier->setEnabled(true);
        }
    });
}

LinuxSystemEvents::~LinuxSystemEvents()
{
    watchNetwork(false);
}

void LinuxSystemEvents::watchSleep()
{
    if (m_watchingSleep) {
        return;
    }
    m_watchingSleep = true;
    QDBusConnection bus = QDBusConnection::systemBus();
    // Only logind itself may send it: the service name makes the bus deliver its signals alone.
    if (!bus.isConnected() ||
        !bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                     QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
                     SLOT(prepareForSleep(bool)))) {
        TRACE("no system bus: suspend and resume are not noticed");
    }
}

void LinuxSystemEvents::prepareForSleep(bool sleeping)
{
    emit sleepChanged(sleeping);
}

bool LinuxSystemEvents::watchNetwork(bool on)
{
    if (!on) {
        delete m_notifier;
        m_notifier = nullptr;
        if (m_netlink >= 0) {
            ::close(m_netlink);
            m_netlink = -1;
        }
        return true;
    }
    if (m_netlink >= 0) {
        return true;
    }
    m_netlink = ::socket(AF_NETLINK, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_ROUTE);
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_IFADDR | RTMGRP_IPV6_ROUTE;
    if (m_netlink < 0 || ::bind(m_netlink, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        TRACE("network changes cannot be watched (errno %d): checks keep their period", errno);
        watchNetwork(false);
        return false;
    }
    m_notifier = new QSocketNotifier(qintptr(m_netlink), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { readNetlink(); });
    return true;
}

// The messages themselves do not matter: any change of links, addresses or routes is worth a check.
// An overrun (ENOBUFS) means changes were lost, which is a change as well.
void LinuxSystemEvents::readNetlink()
{
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::recv(m_netlink, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != ENOBUFS) {
            break;
        }
    }
    m_notifier->setEnabled(false);
    m_rest->start();
    emit networkChanged();
}
