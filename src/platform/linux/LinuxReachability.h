#pragma once

#include "Reachability.h"

#include <chrono>

/**
 * The Linux reachability probe. A name is reachable when it is non-empty ASCII, resolves within the
 * resolver bound (2 s by default) and one of its addresses has a route, tested with a UDP connect()
 * that sends no packet. "Connection required" is always clear on Linux, so that is the whole answer.
 *
 * Resolution runs through getaddrinfo_a: a resolver that never answers costs the bound, not the
 * resolver's own time-outs. A request still running at the bound is left to finish on its own and
 * frees itself when it does. probe() runs the same test on a thread of its own, so that a silent
 * resolver never holds up the main thread's event loop.
 */
class LinuxReachability : public Reachability
{
public:
    explicit LinuxReachability(std::chrono::milliseconds resolveBound = std::chrono::milliseconds(2000));

    /** true when host resolves within the bound and one of its addresses has a route; false otherwise,
     *  also for "", names with a character outside ASCII or NUL, and names longer than 1024 characters. */
    bool isReachable(const QString& host) override;
    /** Runs isReachable() on a thread of its own and hands the answer to the main thread (at most
     *  the resolver bound later). Call on the main thread. */
    void probe(const QString& host, QObject* context, Answer answer) override;
    /** The answer with its reason: a refused or unresolved name "name lookup failed", the bound
     *  reached "lookup timed out", no address with a route "no route", any other refusal "address
     *  unreachable". */
    Outcome examine(const QString& host) override;
    /** examine() on a thread of its own, as probe(). */
    void probeDetailed(const QString& host, QObject* context, DetailedAnswer answer) override;

private:
    std::chrono::milliseconds m_bound;
};
