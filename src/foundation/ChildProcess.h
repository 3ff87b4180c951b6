#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QObject;

/**
 * The one way this project starts other programs: posix_spawn, with no descriptor of this process
 * leaking into the child but the ones named here, and without Qt's event loop (callers may block).
 */
namespace ChildProcess {

/** Runs program (a path) with arguments and waits for it to end. Its standard output is captured to
 *  the end of the stream, also what a child it left running prints while it keeps the output open;
 *  standard input and error are this process's. environment holds "NAME=value" entries and replaces
 *  this process's environment when it is not empty. None, with a trace line, when it cannot start. */
std::optional<QByteArray> runAndRead(const QString& program, const QStringList& arguments,
                                     const QByteArrayList& environment = {});

/** Starts program (a path) with arguments detached: its input and output on /dev/null, so that
 *  nothing it starts holds this process's pipes, and not a child of this process (nobody has to wait
 *  for it). false, with a trace line, when it cannot start. */
bool startDetached(const QString& program, const QStringList& arguments);

/** Runs program (a path) with arguments, its standard streams on /dev/null, and waits at most
 *  timeoutMs for it; one still running then is killed. Its exit code; none when it could not start,
 *  was killed or ran out of time. */
std::optional<int> runQuietly(const QString& program, const QStringList& arguments, int timeoutMs);

/** Starts program (a path) with arguments, its standard streams on /dev/null, and returns at once;
 *  when it ends, finished gets its exit code (-1 when a signal ended it) on the thread of context,
 *  unless context is gone by then. The child is always reaped. false, with a trace line, when it
 *  cannot start (finished is then not called). */
bool startWatched(const QString& program, const QStringList& arguments, QObject* context,
                  std::function<void(int exitCode)> finished);

/** This process's environment with dir put in front of PATH (PATH set to dir and the usual
 *  directories when there is none); unchanged when dir is empty. */
QByteArrayList environmentWithPathFirst(const QString& dir);

} // namespace ChildProcess
