#pragma once

#include <QString>

/**
 * Whether a host name can be reached without first bringing up a connection.
 *
 * The Linux backend: the name must be non-empty ASCII; it is resolved with a bound of 2 s (a
 * time-out counts as not reachable); it is reachable when one resolved address has a route, tested
 * with a UDP connect() that sends no packet. "Connection required" is always clear on Linux.
 */
class Reachability
{
public:
    virtual ~Reachability() = default;

    /** true when host is reachable now; never blocks longer than the resolver bound. */
    virtual bool isReachable(const QString& host) = 0;

    /** The installed probe (the Linux backend unless a test installed another). */
    static Reachability& current();
    /** Installs probe (not owned); nullptr restores the Linux backend. */
    static void setCurrent(Reachability* probe);
};
