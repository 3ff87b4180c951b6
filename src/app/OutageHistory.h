#pragma once

#include <QByteArray>
#include <QString>

/**
 * The record of outages and monitoring pauses in history.csv: one CSV line per event, each appended
 * whole with one write and synced before the call returns, so that a crash or a power cut loses at
 * most the line being written. The lines:
 *
 *     event,time,start,seconds,reason        (the header, first line of the file)
 *     start,<time>,,,                        the monitor started (written with its first event)
 *     down,<time>,,,<reason>                 an outage began ("down" was announced)
 *     up,<time>,<began>,<seconds>,           it ended ("up" was announced)
 *     unknown-end,<time>,<began>,,           it was still open when the program ended
 *     pause,<time>,,,   resume,<time>,<began>,<seconds>,   monitoring switched off and on
 *     stop,<time>,,,                         the program quit
 *
 * Times are UTC, "2026-12-05T09:05:03Z". The file is only ever appended to; one that is not a
 * history file (another program's) is left alone. When the file cannot be written the history is
 * kept in memory for this run.
 */
class OutageHistory
{
public:
    /** The history file at path; nothing is read or written until begin(). */
    explicit OutageHistory(const QString& path);

    /** The program started: an outage the previous run left open is closed as "unknown end". The
     *  "start" line itself is written with the first event of the run. */
    void begin();
    /** "down" was announced: the outage begins now (nothing when one is open already). */
    void outageBegan(const QString& reason);
    /** "up" was announced: the open outage ends now (nothing when none is open). */
    void outageEnded();
    /** Monitoring switched off (true) or on again; repeated calls with the same value do nothing. */
    void setPaused(bool paused);
    /** The program quits: "stop", when the run has written anything. */
    void end();

    QString path() const { return m_path; }
    /** False when the file cannot be written: the lines are then kept in memory. */
    bool isSaving() const { return m_saving; }
    /** The lines of this run that are not in the file (what it would hold beyond its last line). */
    QByteArray unsavedLines() const;
    bool isDown() const { return m_down; }

private:
    void record(const QByteArray& lines);
    QByteArray line(const char* kind, qint64 time, qint64 began = -1, const QString& reason = {}) const;

    QString m_path;
    bool m_saving = true;
    bool m_begun = false;
    bool m_startWritten = false;
    bool m_needsHeader = false;
    bool m_needsNewline = false;
    qint64 m_startTime = 0;
    bool m_down = false;
    qint64 m_downSince = 0;
    bool m_paused = false;
    qint64 m_pausedSince = 0;
    QByteArray m_memory;
};
