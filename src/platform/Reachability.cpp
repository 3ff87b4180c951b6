#include "Reachability.h"

void Reachability::probe(const QString& host, QObject*, Answer answer)
{
    answer(isReachable(host));
}

Reachability::Outcome Reachability::examine(const QString& host)
{
    const bool reachable = isReachable(host);
    return {reachable, reachable ? Reason::None : Reason::Unreachable};
}

void Reachability::probeDetailed(const QString& host, QObject*, DetailedAnswer answer)
{
    answer(examine(host));
}

QString Reachability::describeReason(Reason reason)
{
    switch (reason) {
    case Reason::None:
        return {};
    case Reason::LookupFailed:
        return QStringLiteral("name lookup failed");
    case Reason::LookupTimedOut:
        return QStringLiteral("lookup timed out");
    case Reason::NoRoute:
        return QStringLiteral("no route");
    case Reason::Unreachable:
        break;
    }
    return QStringLiteral("address unreachable");
}
