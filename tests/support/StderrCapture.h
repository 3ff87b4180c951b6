#pragma once

#include <QByteArray>

#include <cstdio>
#include <unistd.h>

/**
 * Captures what the process writes to standard error from construction until take() (or destruction),
 * through a pipe. For short outputs only: more than a pipe's buffer (64 KiB) before take() would block.
 */
class StderrCapture
{
public:
    StderrCapture()
    {
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        if (::pipe(m_pipe) == 0) {
            ::dup2(m_pipe[1], STDERR_FILENO);
        }
    }
    ~StderrCapture() { take(); }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    /** Restores standard error and answers everything written meanwhile; "" on later calls. */
    QByteArray take()
    {
        QByteArray out;
        if (m_saved < 0) {
            return out;
        }
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        m_saved = -1;
        if (m_pipe[1] >= 0) {
            ::close(m_pipe[1]);
            char buf[4096];
            ssize_t n;
            while ((n = ::read(m_pipe[0], buf, sizeof buf)) > 0) {
                out.append(buf, n);
            }
            ::close(m_pipe[0]);
        }
        return out;
    }

private:
    int m_saved = -1;
    int m_pipe[2] = {-1, -1};
};
