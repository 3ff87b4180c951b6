#include "ChildProcess.h"

#include "Trace.h"

#include <QPointer>
#include <QTimer>

#include <chrono>
#include <thread>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// Owned C strings for an argv or envp array, which posix_spawn takes without const.
class CStrings
{
public:
    explicit CStrings(const QStringList& items)
    {
        for (const QString& item : items) {
            m_strings.push_back(item.toStdString());
        }
        point();
    }
    explicit CStrings(const QByteArrayList& items)
    {
        for (const QByteArray& item : items) {
            m_strings.push_back(item.toStdString());
        }
        point();
    }
    CStrings(const CStrings&) = delete;
    CStrings& operator=(const CStrings&) = delete;
    char** data() { return m_pointers.data(); }

private:
    void point()
    {
        for (std::string& s : m_strings) {
            m_pointers.push_back(s.data());
        }
        m_pointers.push_back(nullptr);
    }

    std::vector<std::string> m_strings;
    std::vector<char*> m_pointers;
};

void waitFor(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

// Starts program with its standard streams on /dev/null; 0 with a trace line when it cannot start.
pid_t spawnQuiet(const QString& program, const QStringList& arguments)
{
    CStrings argv(QStringList(program) + arguments);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const std::string path = program.toStdString();
    const int spawned = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        TRACE("%@ cannot be started: %s", program, strerror(spawned));
        return 0;
    }
    return pid;
}

// The exit code of a status from waitpid; -1 when a signal ended the child.
int exitCodeOf(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

namespace ChildProcess {

std::optional<int> runQuietly(const QString& program, const QStringList& arguments, int timeoutMs)
{
    const pid_t pid = spawnQuiet(program, arguments);
    if (pid == 0) {
        return std::nullopt;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            break;
        }
        if (done < 0 && errno != EINTR) {
            return std::nullopt;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(pid, SIGKILL);
            waitFor(pid);
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!WIFEXITED(status)) {
        return std::nullopt;
    }
    return WEXITSTATUS(status);
}

bool startWatched(const QString& program, const QStringList& arguments, QObject* context,
                  std::function<void(int exitCode)> finished)
{
    const pid_t pid = spawnQuiet(program, arguments);
    if (pid == 0) {
        return false;
    }
    // Polled rather than waited for on a thread: nothing blocks, and the child is reaped even when
    // context is gone. The timer has no parent so that it outlives context.
    auto* poll = new QTimer;
    const QPointer<QObject> guard(context);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, pid, guard, finished] {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == 0 || (done < 0 && errno == EINTR)) {
            return;
        }
        poll->stop();
        poll->deleteLater();
        if (guard) {
            QMetaObject::invokeMethod(guard,
                                      [finished, code = done == pid ? exitCodeOf(status) : -1] { finished(code); });
        }
    });
    poll->start(50);
    return true;
}

std::optional<QByteArray> runAndRead(const QString& program, const QStringList& arguments,
                                     const QByteArrayList& environment)
{
    // Close-on-exec, so that no other child started meanwhile inherits the pipe and keeps it open.
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        TRACE("no pipe for %@: %s", program, strerror(errno));
        return std::nullopt;
    }
    CStrings argv(QStringList(program) + arguments);
    CStrings envp(environment);

    // Standard output into the pipe; the duplicate on descriptor 1 loses close-on-exec, the original
    // pipe ends keep it.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    pid_t pid = 0;
    const std::string path = program.toStdString();
    const int spawned =
        posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environment.isEmpty() ? environ : envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (spawned != 0) {
        ::close(fds[0]);
        TRACE("%@ cannot be started: %s", program, strerror(spawned));
        return std::nullopt;
    }

    QByteArray output;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n > 0) {
            output.append(buffer, qsizetype(n));
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    ::close(fds[0]);
    waitFor(pid);
    return output;
}

bool startDetached(const QString& program, const QStringList& arguments)
{
    // A shell in between starts the program in the background and ends at once; it is waited for
    // here, and the program, left without a parent, is adopted by init: no zombie, no waiting. The
    // program and its arguments reach the shell as positional parameters, never as shell text.
    const QStringList shellArguments = {QStringLiteral("-c"), QStringLiteral("\"$0\" \"$@\" &"), program};
    const pid_t pid = spawnQuiet(QStringLiteral("/bin/sh"), shellArguments + arguments);
    if (pid == 0) {
        return false;
    }
    waitFor(pid);
    return true;
}

QByteArrayList environmentWithPathFirst(const QString& dir)
{
    // Entries are bytes as they stand: the environment need not be valid text.
    const QByteArray prefix = dir.toLocal8Bit();
    QByteArrayList env;
    bool sawPath = false;
    for (char** e = environ; e && *e; ++e) {
        QByteArray entry(*e);
        if (!dir.isEmpty() && entry.startsWith("PATH=")) {
            entry = "PATH=" + prefix + ':' + entry.mid(5);
            sawPath = true;
        }
        env.push_back(entry);
    }
    if (!dir.isEmpty() && !sawPath) {
        env.push_back("PATH=" + prefix + ":/usr/local/bin:/usr/bin:/bin");
    }
    return env;
}

} // namespace ChildProcess
