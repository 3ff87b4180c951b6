#pragma once

#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

/** One posted notification: its name, the object it carries and an optional dictionary. */
struct Notification
{
    QString name;
    QVariant object;
    QVariantMap userInfo;
};

/**
 * A synchronous notification centre. post() calls every observer of the name (or of every name,
 * for observers registered with an empty name) on the posting thread, in the order they were
 * added, before it returns. Observers may add or remove observers while being called.
 */
class NotificationCenter
{
public:
    using Observer = std::function<void(const Notification&)>;
    using Token = quint64;

    /** The process-wide centre. */
    static NotificationCenter& defaultCenter();

    /** Calls observer for every notification named name ("" for all); answers a token for removal. */
    Token addObserver(const QString& name, Observer observer);
    /** Stops calling the observer of the token; unknown tokens are ignored. */
    void removeObserver(Token token);

    void postNotification(const Notification& notification);
    void postNotificationName(const QString& name, const QVariant& object = {}, const QVariantMap& userInfo = {});

private:
    struct Entry
    {
        Token token;
        QString name;
        std::shared_ptr<Observer> observer;
    };
    std::mutex m_mutex;
    std::vector<Entry> m_entries;
    Token m_next = 1;
};
