#include "NotificationCenter.h"

NotificationCenter& NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

NotificationCenter::Token NotificationCenter::addObserver(const QString& name, Observer observer)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    const Token token = m_next++;
    m_entries.push_back({token, name, std::make_shared<Observer>(std::move(observer))});
    return token;
}

void NotificationCenter::removeObserver(Token token)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    std::erase_if(m_entries, [token](const Entry& e) { return e.token == token; });
}

void NotificationCenter::postNotification(const Notification& notification)
{
    // Call outside the lock on a snapshot, so that observers may post, add or remove freely.
    std::vector<std::shared_ptr<Observer>> targets;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        for (const Entry& e : m_entries) {
            if (e.name.isEmpty() || e.name == notification.name) {
                targets.push_back(e.observer);
            }
        }
    }
    for (const auto& observer : targets) {
        (*observer)(notification);
    }
}

void NotificationCenter::postNotificationName(const QString& name, const QVariant& object, const QVariantMap& userInfo)
{
    postNotification({name, object, userInfo});
}
