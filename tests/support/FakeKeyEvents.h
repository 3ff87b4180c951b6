#pragma once

#include "KeyEvents.h"

#include <QList>

#include <utility>

/** Key events for tests: records every posted key with its flags; canPost is set by the test. */
class FakeKeyEvents : public KeyEvents
{
public:
    using Key = std::pair<int, std::uint64_t>;

    bool canPost() const override { return m_canPost; }
    bool postKey(std::uint16_t keyCode, std::uint64_t flags) override
    {
        if (!m_canPost) {
            return false;
        }
        m_posted.append({int(keyCode), flags});
        return true;
    }
    QString unavailableReason() const override
    {
        return m_canPost ? QString() : QStringLiteral("cannot post keys: test");
    }

    void setCanPost(bool canPost) { m_canPost = canPost; }
    /** The keys posted so far as (code, flags), oldest first. */
    QList<Key> posted() const { return m_posted; }
    void clear() { m_posted.clear(); }

private:
    bool m_canPost = true;
    QList<Key> m_posted;
};
