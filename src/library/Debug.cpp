#include "Debug.h"

#include "Clock.h"
#include "NotificationCenter.h"
#include "Numbers.h"
#include "Platform.h"
#include "ProcessLog.h"
#include "Reachability.h"
#include "Trace.h"

#include <QMetaType>
#include <QTimeZone>

#include <cmath>
#include <limits>

namespace {
constexpr int BlankLines = 70;

// ---- Date patterns ----

const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};
const char* const kWeekdays[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};

QString padded(qint64 value, int width)
{
    const QString digits = QString::number(value < 0 ? -value : value);
    const QString sign = value < 0 ? QStringLiteral("-") : QString();
    return sign + digits.rightJustified(width, u'0');
}

// Year fields: two letters give the last two digits, otherwise the year padded to the run's length.
QString yearField(int year, int count)
{
    const int eraYear = year > 0 ? year : -year; // no year 0: 1 BC is year -1
    return count == 2 ? padded(eraYear % 100, 2) : padded(eraYear, count);
}

QString monthField(int month, int count)
{
    const QString name = QString::fromLatin1(kMonths[month - 1]);
    switch (count) {
    case 1:
    case 2:
        return padded(month, count);
    case 3:
        return name.left(3);
    case 4:
        return name;
    default:
        return name.left(1);
    }
}

// dayOfWeek: 1 Monday .. 7 Sunday.
QString weekdayField(int dayOfWeek, int count)
{
    const QString name = QString::fromLatin1(kWeekdays[dayOfWeek - 1]);
    if (count <= 3) {
        return name.left(3);
    }
    if (count == 4) {
        return name;
    }
    return name.left(count == 5 ? 1 : 2);
}

// Offset texts: "+HHMM", "+HH:MM", "GMT+HH:MM", "GMT+H" and the ISO forms.
QString offsetField(QChar letter, int count, int offsetSeconds)
{
    const QString sign = offsetSeconds < 0 ? QStringLiteral("-") : QStringLiteral("+");
    const int total = std::abs(offsetSeconds);
    const int hours = total / 3600;
    const int minutes = (total % 3600) / 60;
    const QString hh = padded(hours, 2);
    const QString mm = padded(minutes, 2);
    switch (letter.unicode()) {
    case u'Z':
        if (count <= 3) {
            return sign + hh + mm;
        }
        if (count == 4) {
            return total == 0 ? QStringLiteral("GMT") : QStringLiteral("GMT") + sign + hh + u':' + mm;
        }
        return total == 0 ? QStringLiteral("Z") : sign + hh + u':' + mm;
    case u'O':
        if (total == 0) {
            return QStringLiteral("GMT");
        }
        if (count < 4) {
            return QStringLiteral("GMT") + sign + QString::number(hours) + (minutes ? u':' + mm : QString());
        }
        return QStringLiteral("GMT") + sign + hh + u':' + mm;
    default: // x and X; X writes "Z" for a zero offset
        if (letter == u'X' && total == 0) {
            return QStringLiteral("Z");
        }
        if (count == 1) {
            return sign + hh + (minutes ? mm : QString());
        }
        return count == 2 || count == 4 ? sign + hh + mm : sign + hh + u':' + mm;
    }
}

QString field(const QDateTime& dt, QChar letter, int count)
{
    const QDate date = dt.date();
    const QTime time = dt.time();
    switch (letter.unicode()) {
    case u'G':
        if (count == 4) {
            return date.year() > 0 ? QStringLiteral("Anno Domini") : QStringLiteral("Before Christ");
        }
        if (count == 5) {
            return date.year() > 0 ? QStringLiteral("A") : QStringLiteral("B");
        }
        return date.year() > 0 ? QStringLiteral("AD") : QStringLiteral("BC");
    case u'y':
    case u'u':
        return yearField(date.year(), count);
    case u'Y': {
        int weekYear = date.year();
        date.weekNumber(&weekYear);
        return yearField(weekYear, count);
    }
    case u'Q':
    case u'q': {
        const int quarter = (date.month() - 1) / 3 + 1;
        if (count <= 2) {
            return padded(quarter, count);
        }
        if (count == 3) {
            return QStringLiteral("Q") + QString::number(quarter);
        }
        if (count == 4) {
            static const char* const names[] = {"1st quarter", "2nd quarter", "3rd quarter", "4th quarter"};
            return QString::fromLatin1(names[quarter - 1]);
        }
        return QString::number(quarter);
    }
    case u'M':
    case u'L':
        return monthField(date.month(), count);
    case u'w':
        return padded(date.weekNumber(), count);
    case u'W': {
        // Weeks of the month starting on Sunday, the first (partial) week being 1.
        const int firstWeekday = QDate(date.year(), date.month(), 1).dayOfWeek() % 7; // Sunday 0
        return padded((date.day() + firstWeekday - 1) / 7 + 1, count);
    }
    case u'd':
        return padded(date.day(), count);
    case u'D':
        return padded(date.dayOfYear(), count);
    case u'F':
        return padded((date.day() - 1) / 7 + 1, count);
    case u'g':
        return padded(date.toJulianDay() - 2400001, count);
    case u'E':
        return weekdayField(date.dayOfWeek(), count);
    case u'e':
    case u'c':
        if (count <= 2) {
            return padded(date.dayOfWeek() % 7 + 1, count); // Sunday is the first day of the week: 1
        }
        return weekdayField(date.dayOfWeek(), count);
    case u'a':
    case u'b':
    case u'B':
        return time.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM");
    case u'h':
        return padded(time.hour() % 12 == 0 ? 12 : time.hour() % 12, count);
    case u'H':
        return padded(time.hour(), count);
    case u'K':
        return padded(time.hour() % 12, count);
    case u'k':
        return padded(time.hour() == 0 ? 24 : time.hour(), count);
    case u'm':
        return padded(time.minute(), count);
    case u's':
        return padded(time.second(), count);
    case u'S': {
        // Fractional seconds, truncated to the run's length (milliseconds are all the clock holds).
        const QString ms = padded(time.msec(), 3);
        return count <= 3 ? ms.left(count) : ms + QString(count - 3, u'0');
    }
    case u'A':
        return padded(time.msecsSinceStartOfDay(), count);
    case u'z':
    case u'v':
        if (count == 4) {
            return dt.timeZone().displayName(dt, QTimeZone::LongName, QLocale::c());
        }
        return dt.timeZoneAbbreviation();
    case u'V':
        return count == 1 ? dt.timeZoneAbbreviation() : QString::fromUtf8(dt.timeZone().id());
    case u'Z':
    case u'O':
    case u'x':
    case u'X':
        return offsetField(letter, count, dt.offsetFromUtc());
    default:
        // Letters without a meaning are written as they stand.
        return QString(count, letter);
    }
}
} // namespace

Debug::Debug() : m_watch1(Stopwatch::startedNow()) {}

void Debug::greet() const
{
    processLog(QStringLiteral("hello from Debug"));
}

// ---- Forwarding ----

void Debug::notify(bool flag)
{
    setTraceForwarding(flag);
    m_notifyActive = flag;
}

void Debug::dt(const QString& text) const
{
    NotificationCenter::defaultCenter().postNotificationName(QStringLiteral("Debug"), format("%@\n", text));
}

void Debug::dtf(const QString& text) const
{
    dt(format("%@, %@, line:%d %@\n", sourceFileName(__FILE__), QStringLiteral("dtf"), __LINE__, text));
}

// ---- Stopwatches ----

void Debug::time_setStartTime()
{
    m_watch1.setStart();
}

void Debug::time_setEndTime()
{
    m_watch1.setEnd();
}

void Debug::time_setStartAndEnd()
{
    m_watch1.setStartAndEnd();
}

double Debug::time_getIntervalSinceLastCalled()
{
    return m_watch1.lap();
}

double Debug::timeEndMinusStartInSeconds() const
{
    return m_watch1.seconds();
}

double Debug::timeEndMinusStartInMilliseconds() const
{
    return timeEndMinusStartInSeconds() * 1000.0;
}

double Debug::timeEndMinusStartInMinutes() const
{
    return timeEndMinusStartInSeconds() / 60.0;
}

QDateTime Debug::timeStart() const
{
    return m_watch1.start().value_or(QDateTime());
}

QDateTime Debug::timeEnd() const
{
    return m_watch1.end().value_or(QDateTime());
}

void Debug::time_setStartTime2()
{
    m_watch2.setStart();
}

void Debug::time_setEndTime2()
{
    m_watch2.setEnd();
}

void Debug::time_setStartAndEnd2()
{
    m_watch2.setStartAndEnd();
}

double Debug::time_getIntervalSinceLastCalled2()
{
    return m_watch2.lap();
}

double Debug::timeEndMinusStartInSeconds2() const
{
    return m_watch2.seconds();
}

double Debug::timeEndMinusStartInMilliseconds2() const
{
    return timeEndMinusStartInSeconds2() * 1000.0;
}

double Debug::timeEndMinusStartInMinutes2() const
{
    return timeEndMinusStartInSeconds2() / 60.0;
}

std::optional<QDateTime> Debug::timeStart2() const
{
    return m_watch2.start();
}

std::optional<QDateTime> Debug::timeEnd2() const
{
    return m_watch2.end();
}

// ---- Durations ----

QString Debug::timeIntervalText(double seconds)
{
    const double t = std::isfinite(seconds) ? seconds : 0.0;
    // Each field is truncated toward zero, so a negative difference gives negative fields.
    const double days = std::trunc(std::trunc(t) / 86400.0);
    const double hours = std::trunc((t - days * 86400.0) / 3600.0);
    const double minutes = std::trunc((t - days * 86400.0 - hours * 3600.0) / 60.0);
    const double secs = std::trunc(t - days * 86400.0 - hours * 3600.0 - minutes * 60.0);
    return format("%02d:%02d:%02d:%02d", truncatedInt(days), truncatedInt(hours), truncatedInt(minutes),
                  truncatedInt(secs));
}

QString Debug::getTimeIntervalStrEnd(const QDateTime& start, const QDateTime& end) const
{
    return timeIntervalText(double(start.msecsTo(end)) / 1000.0);
}

int Debug::getTimeIntervalIntEnd(const QDateTime& start, const QDateTime& end) const
{
    return clampedInt(start.msecsTo(end) / 1000); // integer division truncates toward zero
}

// ---- Text ----

QString Debug::getFormattedTime(const QString& pattern) const
{
    return formatDate(Clock::current().now(), pattern);
}

QString Debug::formatDate(const QDateTime& date, const QString& pattern)
{
    if (!date.isValid()) {
        return {};
    }
    QString out;
    qsizetype i = 0;
    while (i < pattern.size()) {
        const QChar c = pattern.at(i);
        if (c == u'\'') {
            // '' is a quote; '...' is literal text in which '' is a quote. An unclosed quote runs to the end.
            if (i + 1 < pattern.size() && pattern.at(i + 1) == u'\'') {
                out += u'\'';
                i += 2;
                continue;
            }
            ++i;
            while (i < pattern.size()) {
                if (pattern.at(i) == u'\'') {
                    if (i + 1 < pattern.size() && pattern.at(i + 1) == u'\'') {
                        out += u'\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                out += pattern.at(i++);
            }
            continue;
        }
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')) {
            qsizetype run = 1;
            while (i + run < pattern.size() && pattern.at(i + run) == c) {
                ++run;
            }
            out += field(date, c, int(std::min<qsizetype>(run, 64)));
            i += run;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

QString Debug::debugFileMethodLine(const char* file, const char* method, int line) const
{
    return format("%@, method:%@, line:%d", sourceFileName(file),
                  methodNameFromText(QString::fromUtf8(method ? method : "")), line);
}

// ---- Log text ----

void Debug::updateLog(const QString& text)
{
    m_debugLog += format("log: %@\n", text);
}

void Debug::log(const QString& text)
{
    updateLog(text);
}

void Debug::setLog(const QString& text)
{
    traceMessage(":%@", text);
    m_debugLog = text;
}

void Debug::clrLog()
{
    m_debugLog.clear();
}

// ---- Blank lines ----

void Debug::bl(int count) const
{
    Q_UNUSED(count) // always the same screenful, whatever the caller asks for
    for (int i = 0; i < BlankLines; ++i) {
        traceMessage("");
    }
}

void Debug::cls() const
{
    bl(BlankLines);
}

// ---- Collections ----

void Debug::arrayDebug(const QVariantList& array) const
{
    const QMetaType type = QMetaType::fromType<QVariantList>();
    traceMessage("0x%x  length:%d  type:%@", type.id(), array.size(), QString::fromLatin1(type.name()));
}

void Debug::arrayDebug(const QStringList& array) const
{
    const QMetaType type = QMetaType::fromType<QStringList>();
    traceMessage("0x%x  length:%d  type:%@", type.id(), array.size(), QString::fromLatin1(type.name()));
}

void Debug::mutableArrayDebug(const QVariantList& array) const
{
    arrayDebug(array);
}

void Debug::mutableArrayDebug(const QStringList& array) const
{
    arrayDebug(array);
}

// ---- Probe ----

bool Debug::isDataSourceAvailable(const QString& host) const
{
    return Platform::reachability()->isReachable(host);
}

// ---- Geometry ----

QRectF Debug::swopRectXY(const QRectF& rect) const
{
    return QRectF(rect.y(), rect.x(), rect.width(), rect.height());
}

QRectF Debug::swopRectWidthHeight(const QRectF& rect) const
{
    return QRectF(rect.x(), rect.y(), rect.height(), rect.width());
}

QRectF Debug::swopRectBoth(const QRectF& rect) const
{
    return QRectF(rect.y(), rect.x(), rect.height(), rect.width());
}

// ---- Value printers ----

void Debug::txt(const QString& text) const
{
    processLogf("%@", text);
}

void Debug::txt2Txt(const QString& a, const QString& b) const
{
    processLogf("%@ %@", a, b);
}

void Debug::txt3TxtTxt(const QString& a, const QString& b, const QString& c) const
{
    processLogf("%@ %@ %@", a, b, c);
}

void Debug::numNum(const QString& label, int a) const
{
    processLogf("%@:%d", label, a);
}

void Debug::num2NumNum(const QString& label, int a, int b) const
{
    processLogf("%@:%d %d", label, a, b);
}

void Debug::num3NumNumNum(const QString& label, int a, int b, int c) const
{
    processLogf("%@:%d %d %d", label, a, b, c);
}

void Debug::fnumNum(const QString& label, double a) const
{
    processLogf("%@:%f", label, a);
}

void Debug::fnum2NumNum(const QString& label, double a, double b) const
{
    processLogf("%@:%f %f", label, a, b);
}

void Debug::fnum3NumNumNum(const QString& label, double a, double b, double c) const
{
    processLogf("%@:%f %f %f", label, a, b, c);
}

void Debug::dbPointP(const QString& label, const QPointF& p) const
{
    processLogf("%@: x:%f y:%f", label, p.x(), p.y());
}

void Debug::dbRectR(const QString& label, const QRectF& r) const
{
    processLogf("%@: x:%f y:%f w:%f h:%f", label, r.x(), r.y(), r.width(), r.height());
}

void Debug::debugCGRectWithTitle(const QRectF& rect, const QString& title) const
{
    processLogf("%@: x,y:%.0f,%.0f  w,h:%.0f,%.0f", title, rect.x(), rect.y(), rect.width(), rect.height());
}

void Debug::bpString(int number, const QString& info) const
{
    processLogf("Breakpoint:%d   info:%@", number, info);
}

void Debug::handleNotification(const Notification& notification) const
{
    processLogf("string: %@ : %@", notification.name, notification.object);
    processLogf(" value: %d", intValue(notification.object));
    processLogf(",msg StaticTemplate to Engine:%@", notification.object);
}
