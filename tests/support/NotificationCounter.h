#pragma once

#include "NotificationCenter.h"

/** Counts the notifications of one name carrying one object text while it lives. */
class NotificationCounter
{
public:
    NotificationCounter(const QString& name, const QString& object)
    {
        m_token = NotificationCenter::defaultCenter().addObserver(name, [this, object](const Notification& n) {
            if (n.object.toString() == object) {
                ++count;
            }
        });
    }
    ~NotificationCounter() { NotificationCenter::defaultCenter().removeObserver(m_token); }
    NotificationCounter(const NotificationCounter&) = delete;
    NotificationCounter& operator=(const NotificationCounter&) = delete;

    int count = 0;

private:
    NotificationCenter::Token m_token;
};
