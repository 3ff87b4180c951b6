#include "HistoryData.h"

#include <QBuffer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace {

// Longer lines are not the program's own: they are skipped without being held in memory.
const qsizetype MaxLineLength = 4096;
const qint64 ChunkSize = 1024 * 1024;
const int FieldCount = 5;

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian, any year).
qint64 daysFromCivil(qint64 y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + qint64(doe) - 719468;
}

void civilFromDays(qint64 z, int& year, int& month, int& day)
{
    z += 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = int(doy - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = int(qint64(yoe) + era * 400 + (month <= 2));
}

std::optional<int> digits(QByteArrayView text, qsizetype from, qsizetype count)
{
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

// The fields of one CSV line of exactly FieldCount fields, as views into the line (or, for a quoted
// field, into its unquoted copy in storage); false when the line is not such a line. No field is
// copied unless it is quoted, so a long history reads quickly.
bool splitCsv(QByteArrayView line, QByteArrayView (&fields)[FieldCount], QByteArray (&storage)[FieldCount])
{
    qsizetype i = 0;
    for (int n = 0; n < FieldCount; ++n) {
        if (i < line.size() && line[i] == '"') {
            QByteArray& field = storage[n];
            field.clear();
            for (++i;; ++i) {
                if (i >= line.size()) {
                    return false; // an unterminated quote
                }
                if (line[i] == '"') {
                    if (i + 1 >= line.size() || line[i + 1] != '"') {
                        break;
                    }
                    ++i;
                }
                field += line[i];
            }
            ++i; // the closing quote
            fields[n] = field;
        } else {
            const qsizetype comma = line.sliced(i).indexOf(',');
            const qsizetype end = comma < 0 ? line.size() : i + comma;
            fields[n] = line.sliced(i, end - i);
            i = end;
        }
        // Each field but the last ends in a comma; the last ends the line.
        if (n + 1 < FieldCount) {
            if (i >= line.size() || line[i] != ',') {
                return false;
            }
            ++i;
        } else if (i != line.size()) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<qint64> Outage::duration() const
{
    if (endKind == End::Unknown) {
        return std::nullopt;
    }
    return end - start;
}

QByteArray HistoryData::headerLine()
{
    return QByteArrayLiteral("event,time,start,seconds,reason");
}

QByteArray HistoryData::timeText(qint64 seconds)
{
    const qint64 days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    const qint64 rest = seconds - days * 86400;
    int year, month, day;
    civilFromDays(days, year, month, day);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", year, month, day, int(rest / 3600),
                  int(rest / 60 % 60), int(rest % 60));
    return QByteArray(text);
}

std::optional<qint64> HistoryData::parseTime(QByteArrayView text)
{
    // Exactly "YYYY-MM-DDTHH:MM:SSZ": the program's own form, read without a general date parser so
    // that a long history opens quickly.
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':' || text[19] != 'Z') {
        return std::nullopt;
    }
    const auto year = digits(text, 0, 4), month = digits(text, 5, 2), day = digits(text, 8, 2);
    const auto hour = digits(text, 11, 2), minute = digits(text, 14, 2), second = digits(text, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second || *month < 1 || *month > 12 || *day < 1 || *day > 31 ||
        *hour > 23 || *minute > 59 || *second > 60) {
        return std::nullopt;
    }
    return daysFromCivil(*year, unsigned(*month), unsigned(*day)) * 86400 + *hour * 3600 + *minute * 60 + *second;
}

QByteArray HistoryData::csvField(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    if (!bytes.contains(',') && !bytes.contains('"') && !bytes.contains('\n') && !bytes.contains('\r')) {
        return bytes;
    }
    bytes.replace('"', QByteArrayLiteral("\"\""));
    return '"' + bytes + '"';
}

HistoryData HistoryData::read(const QString& path, const QByteArray& unsavedLines, qint64 now)
{
    HistoryData data;
    data.m_now = now;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        data.consume(file);
    } else if (file.exists()) {
        data.m_unreadable = true;
    }
    QBuffer memory;
    memory.setData(unsavedLines);
    memory.open(QIODevice::ReadOnly);
    data.consume(memory);
    data.finish();
    return data;
}

HistoryData HistoryData::fromBytes(const QByteArray& bytes, qint64 now)
{
    return read(QString(), bytes, now);
}

void HistoryData::consume(QIODevice& in)
{
    QByteArray pending;    // the start of a line that goes on in the next chunk
    bool overlong = false; // inside a line too long to be ours (counted once, skipped whole)
    while (true) {
        const QByteArray chunk = in.read(ChunkSize);
        if (chunk.isEmpty()) {
            break;
        }
        const QByteArrayView view(chunk);
        qsizetype from = 0;
        while (from < view.size()) {
            const qsizetype end = view.indexOf('\n', from);
            const QByteArrayView piece = view.sliced(from, (end < 0 ? view.size() : end) - from);
            if (!overlong) {
                if (pending.size() + piece.size() > MaxLineLength) {
                    ++m_skipped;
                    overlong = true;
                    pending.clear();
                } else if (end < 0) {
                    pending += piece;
                } else if (pending.isEmpty()) {
                    consumeLine(piece);
                } else {
                    pending += piece;
                    consumeLine(pending);
                    pending.clear();
                }
            }
            if (end < 0) {
                break;
            }
            overlong = false;
            from = end + 1;
        }
    }
    if (!pending.isEmpty()) {
        ++m_skipped; // cut off at the end of the file
    }
}

void HistoryData::consumeLine(QByteArrayView line)
{
    if (line.endsWith('\r')) {
        line.chop(1);
    }
    if (line.isEmpty() || line == headerLine()) {
        return;
    }
    QByteArrayView fields[FieldCount];
    QByteArray storage[FieldCount];
    const std::optional<qint64> time = splitCsv(line, fields, storage) ? parseTime(fields[1]) : std::nullopt;
    static const QByteArrayView kinds[] = {"start", "stop", "down", "up", "unknown-end", "pause", "resume"};
    if (!time || std::find(std::begin(kinds), std::end(kinds), fields[0]) == std::end(kinds)) {
        ++m_skipped;
        return;
    }
    event(fields[0], *time, parseTime(fields[2]), fields[4].isEmpty() ? QString() : QString::fromUtf8(fields[4]));
}

HistorySegment::State HistoryData::state() const
{
    if (!m_running || m_paused) {
        return HistorySegment::State::Unmonitored;
    }
    return m_down ? HistorySegment::State::Down : HistorySegment::State::Up;
}

void HistoryData::moveTo(qint64 time, HistorySegment::State next)
{
    // A clock set back makes no segment run backwards: the new state starts where the old one ended.
    time = std::max(time, m_segmentStart);
    if (m_segmentStart >= 0 && time > m_segmentStart) {
        if (!m_segments.isEmpty() && m_segments.last().state == m_segmentState &&
            m_segments.last().to == m_segmentStart) {
            m_segments.last().to = time;
        } else {
            m_segments.append({m_segmentStart, time, m_segmentState});
        }
    }
    m_segmentStart = time;
    m_segmentState = next;
}

void HistoryData::closeOutage(qint64 time, Outage::End kind)
{
    Outage& outage = m_outages.last();
    outage.end = std::max(time, outage.start);
    outage.endKind = kind;
    m_down = false;
    if (kind == Outage::End::Unknown && m_segmentState == HistorySegment::State::Down) {
        m_segmentState = HistorySegment::State::Unmonitored; // nobody saw how long it lasted
    }
}

void HistoryData::event(QByteArrayView kind, qint64 time, std::optional<qint64> start, const QString& reason)
{
    if (kind == "start") {
        if (m_down) {
            closeOutage(time, Outage::End::Unknown);
        }
        m_running = true;
        m_paused = false;
    } else if (kind == "stop") {
        m_running = false;
    } else if (kind == "down") {
        if (m_down) {
            return;
        }
        m_outages.append({time, time, Outage::End::Ongoing, reason});
        m_down = true;
        m_running = true;
    } else if (kind == "up" || kind == "unknown-end") {
        if (!m_down) {
            // Its "down" line was lost: the line itself says when the outage began.
            if (!start) {
                return;
            }
            m_outages.append({*start, *start, Outage::End::Ongoing, reason});
        }
        closeOutage(time, kind == "up" ? Outage::End::Known : Outage::End::Unknown);
    } else if (kind == "pause") {
        m_paused = true;
    } else if (kind == "resume") {
        m_paused = false;
        m_running = true;
    }
    moveTo(time, state());
}

void HistoryData::finish()
{
    if (m_down) {
        m_outages.last().end = std::max(m_now, m_outages.last().start);
    }
    moveTo(std::max(m_now, m_segmentStart), state());
}

HistoryFigures HistoryData::figures(qint64 seconds) const
{
    HistoryFigures f;
    const qint64 from = seconds > 0 ? m_now - seconds : std::numeric_limits<qint64>::min();
    qint64 up = 0;
    for (const HistorySegment& segment : m_segments) {
        const qint64 overlap = std::min(segment.to, m_now) - std::max(segment.from, from);
        if (overlap <= 0) {
            continue;
        }
        if (segment.state == HistorySegment::State::Up) {
            up += overlap;
        } else if (segment.state == HistorySegment::State::Down) {
            f.downTime += overlap;
        }
    }
    f.monitored = up + f.downTime;
    if (f.monitored > 0) {
        f.availability = double(up) / double(f.monitored);
    }
    for (const Outage& outage : m_outages) {
        if (outage.start >= from && outage.start <= m_now) {
            ++f.outages;
            f.longest = std::max(f.longest, outage.duration().value_or(0));
        }
    }
    return f;
}
