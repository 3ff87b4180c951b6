#pragma once

#include "NotificationCenter.h"
#include "Trace.h"

#include <QStringList>

/**
 * Records the trace lines written while it lives, through the "Debug" notification, and restores the
 * previous forwarding state afterwards.
 */
class TraceRecorder
{
public:
    TraceRecorder() : m_wasForwarding(isTraceForwarding())
    {
        setTraceForwarding(true);
        m_token = NotificationCenter::defaultCenter().addObserver(
            QStringLiteral("Debug"), [this](const Notification& n) { m_lines << n.object.toString(); });
    }
    ~TraceRecorder()
    {
        NotificationCenter::defaultCenter().removeObserver(m_token);
        setTraceForwarding(m_wasForwarding);
    }
    TraceRecorder(const TraceRecorder&) = delete;
    TraceRecorder& operator=(const TraceRecorder&) = delete;

    QStringList lines() const { return m_lines; }
    /** The number of recorded lines that contain text. */
    qsizetype count(const QString& text) const { return m_lines.filter(text).size(); }

private:
    bool m_wasForwarding;
    NotificationCenter::Token m_token = 0;
    QStringList m_lines;
};
