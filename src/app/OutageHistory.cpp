#include "OutageHistory.h"

#include "AtomicFile.h"
#include "Clock.h"
#include "Format.h"
#include "HistoryData.h"
#include "Trace.h"

#include <QFile>

namespace {

// How much of the file's end is read at start to find an outage left open: the last run's final
// lines are there.
const qint64 TailBytes = 64 * 1024;

qint64 nowSeconds()
{
    return Clock::current().now().toSecsSinceEpoch();
}

} // namespace

OutageHistory::OutageHistory(const QString& path) : m_path(path) {}

QByteArray OutageHistory::line(const char* kind, qint64 time, qint64 began, const QString& reason) const
{
    QByteArray text = QByteArray(kind) + ',' + HistoryData::timeText(time) + ',';
    if (began >= 0) {
        text += HistoryData::timeText(began);
    }
    text += ',';
    if (began >= 0 && qstrcmp(kind, "unknown-end") != 0) {
        text += QByteArray::number(time - began);
    }
    return text + ',' + HistoryData::csvField(reason) + '\n';
}

void OutageHistory::begin()
{
    m_begun = true;
    m_startTime = nowSeconds();
    QFile file(m_path);
    if (!file.exists() || file.size() == 0) {
        m_needsHeader = true;
        return;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        m_saving = false;
        TRACE("%@ cannot be read: the history of this run is kept in memory", m_path);
        return;
    }
    if (file.readLine(4096).trimmed() != HistoryData::headerLine()) {
        m_saving = false;
        TRACE("%@ is not a history file: it is left alone and the history of this run is kept in memory", m_path);
        return;
    }
    file.seek(std::max<qint64>(0, file.size() - TailBytes));
    const QByteArray tail = file.readAll();
    m_needsNewline = !tail.endsWith('\n');
    // The last outage line decides whether an outage was left open.
    const QList<QByteArray> lines = tail.split('\n');
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        const QList<QByteArray> fields = it->split(',');
        if (fields.size() < 2) {
            continue;
        }
        const QByteArray& kind = fields.first();
        if (kind == "up" || kind == "unknown-end") {
            break;
        }
        if (kind == "down") {
            if (const std::optional<qint64> began = HistoryData::parseTime(fields.at(1))) {
                // Closed before this run's start line, so that the start does not close it again.
                m_startWritten = true;
                record(line("unknown-end", m_startTime, *began) + line("start", m_startTime));
            }
            break;
        }
    }
}

void OutageHistory::outageBegan(const QString& reason)
{
    if (m_down) {
        return;
    }
    m_down = true;
    m_downSince = nowSeconds();
    record(line("down", m_downSince, -1, reason));
}

void OutageHistory::outageEnded()
{
    if (!m_down) {
        return;
    }
    m_down = false;
    record(line("up", nowSeconds(), m_downSince));
}

void OutageHistory::setPaused(bool paused)
{
    if (paused == m_paused) {
        return;
    }
    m_paused = paused;
    if (paused) {
        m_pausedSince = nowSeconds();
        record(line("pause", m_pausedSince));
    } else {
        record(line("resume", nowSeconds(), m_pausedSince));
    }
}

void OutageHistory::end()
{
    if (m_startWritten) {
        record(line("stop", nowSeconds()));
    }
}

QByteArray OutageHistory::unsavedLines() const
{
    if (!m_saving) {
        return m_memory;
    }
    return m_startWritten || !m_begun ? QByteArray() : line("start", m_startTime);
}

// The run's "start" line goes with its first event, in the same write.
void OutageHistory::record(const QByteArray& lines)
{
    QByteArray bytes;
    if (!m_startWritten) {
        bytes += line("start", m_startTime);
        m_startWritten = true;
    }
    bytes += lines;
    if (m_saving) {
        QByteArray written = bytes;
        if (m_needsHeader) {
            written.prepend(HistoryData::headerLine() + '\n');
        } else if (m_needsNewline) {
            written.prepend('\n'); // the last line was cut off: ours start on a line of their own
        }
        if (appendDurably(m_path, written)) {
            m_needsHeader = m_needsNewline = false;
            for (const QByteArray& one : bytes.split('\n')) {
                if (!one.isEmpty()) {
                    TRACE("history.csv: %@", QString::fromUtf8(one));
                }
            }
            return;
        }
        m_saving = false;
        TRACE("%@ cannot be written: the history of this run is kept in memory", m_path);
    }
    m_memory += bytes;
}
