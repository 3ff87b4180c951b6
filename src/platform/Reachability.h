#pragma once

#include <QString>

#include <functional>

class QObject;

/**
 * Whether a host name can be reached without first bringing up a connection.
 *
 * The Linux backend: the name must be non-empty ASCII; it is resolved with a bound of 2 s (a
 * time-out counts as not reachable); it is reachable when one resolved address has a route, tested
 * with a UDP connect() that sends no packet. "Connection required" is always clear on Linux.
 * Platform::reachability() answers the probe in use.
 */
class Reachability
{
public:
    /** Receives the answer of probe(): true when the host was reachable. */
    using Answer = std::function<void(bool reachable)>;

    /** Why a host was found not reachable. */
    enum class Reason { None, LookupFailed, LookupTimedOut, NoRoute, Unreachable };
    /** The answer with its reason (None exactly when reachable). */
    struct Outcome
    {
        bool reachable = false;
        Reason reason = Reason::Unreachable;
    };
    using DetailedAnswer = std::function<void(Outcome outcome)>;
    /** The reason as a trace shows it: "name lookup failed", "lookup timed out", "no route",
     *  "address unreachable" ("" for None). */
    static QString describeReason(Reason reason);

    virtual ~Reachability() = default;

    /** true when host is reachable now; blocks the caller up to the resolver bound. */
    virtual bool isReachable(const QString& host) = 0;

    /**
     * Asks the same question without blocking the calling (main) thread. answer runs on the main
     * thread, once, unless context has been destroyed by then. A probe that knows the answer at once
     * (this default, which asks isReachable(), and the fakes) calls answer before returning, so
     * callers see the same order of events as with a synchronous probe.
     */
    virtual void probe(const QString& host, QObject* context, Answer answer);

    /** isReachable() with the reason of a failure. This default has none better than "address
     *  unreachable". */
    virtual Outcome examine(const QString& host);
    /** probe() with the reason of a failure, on the same terms. This default asks examine() at once. */
    virtual void probeDetailed(const QString& host, QObject* context, DetailedAnswer answer);
};
