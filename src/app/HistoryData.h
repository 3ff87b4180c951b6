#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

class QIODevice;

/** One outage of the primary host as the history file tells it. Times are seconds since 1970 (UTC). */
struct Outage
{
    enum class End { Known, Unknown, Ongoing };

    qint64 start = 0;
    /** When it ended; for an unknown end, when the next start closed it; for an ongoing one, now. */
    qint64 end = 0;
    End endKind = End::Known;
    QString reason;

    /** Its length in seconds; none when the end is unknown. An ongoing outage counts until now. */
    std::optional<qint64> duration() const;
};

/** A stretch of time in one state: monitored and up, monitored and down, or not monitored. */
struct HistorySegment
{
    enum class State { Up, Down, Unmonitored };
    qint64 from = 0;
    qint64 to = 0;
    State state = State::Unmonitored;
};

/** Figures over one period ending now. */
struct HistoryFigures
{
    /** Up time over monitored time, 0..1; none when nothing of the period was monitored. */
    std::optional<double> availability;
    int outages = 0;      // outages that began in the period
    qint64 downTime = 0;  // seconds of the period spent down
    qint64 longest = 0;   // the longest known outage that began in the period, in seconds
    qint64 monitored = 0; // seconds of the period that were monitored
};

/**
 * The history file read back: its outages (oldest first), the up/down/unmonitored timeline and the
 * number of lines it could not use. Reading is tolerant: a truncated line, a garbage line or a file
 * of another program yields what can be read and a count of skipped lines; the file is never
 * written. A run that ended without a "stop" line is taken to have run until the next start; an
 * outage it left open has an unknown end and counts as unmonitored from its last known moment.
 */
class HistoryData
{
public:
    /** The first line of every history file. */
    static QByteArray headerLine();
    /** "2026-12-05T09:05:03Z" for a moment in seconds since 1970. */
    static QByteArray timeText(qint64 seconds);
    /** The moment of such a text; none for anything else. */
    static std::optional<qint64> parseTime(QByteArrayView text);
    /** A CSV field, quoted when it holds a comma, a quote or a line break. */
    static QByteArray csvField(const QString& text);

    /** Reads the file at path (a missing file reads as empty), then the lines not saved in it, as
     *  the state at the moment now. */
    static HistoryData read(const QString& path, const QByteArray& unsavedLines, qint64 now);
    /** The same from bytes (tests and the lines kept in memory). */
    static HistoryData fromBytes(const QByteArray& bytes, qint64 now);

    const QList<Outage>& outages() const { return m_outages; }
    const QList<HistorySegment>& segments() const { return m_segments; }
    /** Lines that could not be used (header lines do not count). */
    qint64 skippedLines() const { return m_skipped; }
    /** True when the file was not readable (it exists but cannot be opened). */
    bool unreadable() const { return m_unreadable; }
    qint64 now() const { return m_now; }

    /** The figures of the period of the last `seconds` seconds, or of all history when seconds is 0. */
    HistoryFigures figures(qint64 seconds) const;

private:
    void consume(QIODevice& in);
    void consumeLine(QByteArrayView line);
    void event(QByteArrayView kind, qint64 time, std::optional<qint64> start, const QString& reason);
    void moveTo(qint64 time, HistorySegment::State next);
    HistorySegment::State state() const;
    void closeOutage(qint64 time, Outage::End kind);
    void finish();

    QList<Outage> m_outages;
    QList<HistorySegment> m_segments;
    qint64 m_skipped = 0;
    bool m_unreadable = false;
    qint64 m_now = 0;
    // The reading state.
    bool m_running = false;
    bool m_paused = false;
    bool m_down = false;
    qint64 m_segmentStart = -1;
    HistorySegment::State m_segmentState = HistorySegment::State::Unmonitored;
};
