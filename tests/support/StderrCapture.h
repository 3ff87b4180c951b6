#pragma once

#include <QByteArray>

#include <cstdio>
#include <unistd.h>

/**
 * Captures what the process writes to a descriptor (standard output or error) from construction until
 * take() (or destruction), through a temporary file, so that any amount of output fits. Test
 * frameworks report on standard output too: check after take().
 */
class OutputCapture
{
public:
    explicit OutputCapture(int fd) : m_fd(fd)
    {
        std::fflush(stdout);
        std::fflush(stderr);
        m_file = std::tmpfile();
        m_saved = m_file ? ::dup(fd) : -1;
        if (m_saved >= 0) {
            ::dup2(::fileno(m_file), fd);
        }
    }
    ~OutputCapture() { take(); }
    OutputCapture(const OutputCapture&) = delete;
    OutputCapture& operator=(const OutputCapture&) = delete;

    /** Restores the descriptor and answers everything written meanwhile; "" on later calls. */
    QByteArray take()
    {
        QByteArray out;
        if (!m_file) {
            return out;
        }
        std::fflush(stdout);
        std::fflush(stderr);
        if (m_saved >= 0) {
            ::dup2(m_saved, m_fd);
            ::close(m_saved);
        }
        std::rewind(m_file);
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, m_file)) > 0) {
            out.append(buffer, qsizetype(n));
        }
        std::fclose(m_file);
        m_file = nullptr;
        return out;
    }

private:
    int m_fd;
    int m_saved = -1;
    std::FILE* m_file = nullptr;
};

/** Captures standard error. */
class StderrCapture : public OutputCapture
{
public:
    StderrCapture() : OutputCapture(STDERR_FILENO) {}
};
