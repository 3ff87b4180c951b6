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

void FakeReachability::probe(const QString& host, QObject* context, Answer answer)
{
    if (!m_hold) {
        Reachability::probe(host, context, std::move(answer));
        return;
    }
    m_probed.append(host);
    m_held.append({host, std::move(answer)});
}

QStringList FakeReachability::held() const
{
    QStringList hosts;
    for (const Held& h : m_held) {
        hosts << h.host;
    }
    return hosts;
}

void FakeReachability::answerHeld()
{
    const QList<Held> held = std::exchange(m_held, {});
    for (const Held& h : held) {
        h.answer(m_reachable.contains(h.host));
    }
}

void FakeReachability::setReachable(const QString& host, bool reachable)
{
    if (reachable) {
        m_reachable.insert(host);
    } else {
        m_reachable.remove(host);
    }
}
