#include "FakeReachability.h"

#include "Platform.h"

FakeReachability::FakeReachability()
{
    // Not owned by the platform: the test owns the fake.
    Platform::setReachability(std::shared_ptr<Reachability>(this, [](Reachability*) {}));
}

FakeReachability::~FakeReachability()
{
    if (Platform::reachability().get() == this) {
        Platform::setReachability(nullptr);
    }
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
