#pragma once

#include "Reachability.h"

#include <QSet>
#include <QStringList>

/**
 * A reachability probe for tests: a host is reachable exactly when the test put it in the reachable
 * set; every probed name is recorded as it was passed. Installs itself as the platform's probe while
 * it lives; it answers at once, as a resolver that answers immediately would.
 */
class FakeReachability : public Reachability
{
public:
    FakeReachability();
    ~FakeReachability() override;

    bool isReachable(const QString& host) override;

    /** Makes host reachable (or not) from now on. */
    void setReachable(const QString& host, bool reachable = true);
    /** The names probed so far, oldest first. */
    QStringList probed() const { return m_probed; }
    void clearProbed() { m_probed.clear(); }

private:
    QSet<QString> m_reachable;
    QStringList m_probed;
};
