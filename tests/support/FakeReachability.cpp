#include "FakeReachability.h"

FakeReachability::FakeReachability()
{
    Reachability::setCurrent(this);
}

FakeReachability::~FakeReachability()
{
    Reachability::setCurrent(nullptr);
}

bool FakeReachability::isReachable(const QString& host)
{
    m_probed.append(host);
    return m_reachable.contains(host);
}

void FakeReachability::setReachable(const QString& host, bool reachable)
{
    if (reachable) {
        m_reachable.insert(host);
    } else {
        m_reachable.remove(host);
    }
}
