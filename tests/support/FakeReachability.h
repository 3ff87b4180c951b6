#pragma once

#include "Reachability.h"

#include <QList>
#include <QSet>
#include <QStringList>

/**
 * A reachability probe for tests: a host is reachable exactly when the test put it in the reachable
 * set; every probed name is recorded as it was passed. Installs itself as the platform's probe while
 * it lives. probe() answers at once, as a resolver that answers immediately would, unless the test
 * holds the answers back (holdAnswers) to play a slow resolver; answerHeld() then delivers them.
 */
class FakeReachability : public Reachability
{
public:
    FakeReachability();
    ~FakeReachability() override;

    bool isReachable(const QString& host) override;
    void probe(const QString& host, QObject* context, Answer answer) override;

    /** Makes host reachable (or not) from now on. */
    void setReachable(const QString& host, bool reachable = true);
    /** The names probed so far, oldest first. */
    QStringList probed() const { return m_probed; }
    void clearProbed() { m_probed.clear(); }

    /** From now on probe() keeps its answers until answerHeld() (or answers at once again). */
    void holdAnswers(bool hold) { m_hold = hold; }
    /** Delivers the held answers, each as reachability is set now. */
    void answerHeld();

private:
    QSet<QString> m_reachable;
    QStringList m_probed;
    bool m_hold = false;
    QList<std::pair<QString, Answer>> m_held;
};
