#include "Strings.h"

#include "Clock.h"
#include "Format.h"
#include "Trace.h"

#include <cmath>
#include <limits>

namespace {

const char16_t* const kDays[] = {u"Monday", u"Tuesday", u"Wednesday", u"Thursday", u"Friday", u"Saturday", u"Sunday"};
// "Feburary" is the name the stored texts and their readers know.
const char16_t* const kMonths[] = {u"January", u"Feburary", u"March",     u"April",   u"May",      u"June",
                                   u"July",    u"August",   u"September", u"October", u"November", u"December"};

QDateTime localNow()
{
    return Clock::current().now().toLocalTime();
}

// One entry of a date triple; missing or non-numeric entries read as 0.
int tripleAt(const QVariantList& date, int index)
{
    if (index >= date.size()) {
        return 0;
    }
    bool ok = false;
    const int value = date.at(index).toInt(&ok);
    return ok ? value : 0;
}

QString suffixOf(qint64 digit)
{
    switch (digit) {
    case 1:
        return QStringLiteral("st");
    case 2:
        return QStringLiteral("nd");
    case 3:
        return QStringLiteral("rd");
    default:
        return QStringLiteral("th");
    }
}

// The decimal number at the start of a piece of a time text ("12.5abc" gives 12.5), 0 when there is
// none: white space, sign, digits, fraction and exponent, as a scanner reads them.
double leadingDecimal(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace()) {
        ++i;
    }
    const qsizetype start = i;
    auto digitsFrom = [&](qsizetype j) {
        while (j < text.size() && text.at(j) >= u'0' && text.at(j) <= u'9') {
            ++j;
        }
        return j;
    };
    if (i < text.size() && (text.at(i) == u'+' || text.at(i) == u'-')) {
        ++i;
    }
    qsizetype j = digitsFrom(i);
    qsizetype digits = j - i;
    if (j < text.size() && text.at(j) == u'.') {
        const qsizetype k = digitsFrom(j + 1);
        digits += k - j - 1;
        j = k;
    }
    if (digits == 0) {
        return 0.0;
    }
    if (j < text.size() && (text.at(j) == u'e' || text.at(j) == u'E')) {
        qsizetype k = j + 1;
        if (k < text.size() && (text.at(k) == u'+' || text.at(k) == u'-')) {
            ++k;
        }
        const qsizetype end = digitsFrom(k);
        if (end > k) {
            j = end;
        }
    }
    return text.mid(start, j - start).toString().toDouble();
}

// The offset of the local zone from GMT, in seconds, at the given moment.
int localOffsetAt(const QDateTime& date)
{
    return date.toLocalTime().offsetFromUtc();
}

} // namespace

// ---- Clock readings ----

QString Strings::getDateTime()
{
    // The date and the time come from one reading, so a stamp taken at midnight cannot mix two days.
    const QDateTime now = localNow();
    const QTime time = now.time();
    m_currentHour = time.hour();
    m_currentMinute = time.minute();
    m_currentSecond = time.second();
    return getShortDateAsStringFormatSeperator(getDate(now), 2, QStringLiteral(":")) + u'-' +
           format("%02d:%02d:%02d", m_currentHour, m_currentMinute, m_currentSecond);
}

QString Strings::getCurrentTimeStr()
{
    return describe(Clock::current().now());
}

float Strings::updateCurrentTime()
{
    const QTime time = localNow().time();
    m_currentHour = time.hour();
    m_currentMinute = time.minute();
    m_currentSecond = time.second();
    return float(m_currentHour) + float(m_currentMinute) / 60.0F + float(m_currentSecond) / 3600.0F;
}

QString Strings::getCurrent_HHMM_withLeadingZero(bool leadingZero)
{
    updateCurrentTime();
    return integerToStrWithLeadingZero(m_currentHour, leadingZero) + u':' +
           integerToStrWithLeadingZero(m_currentMinute, true);
}

QString Strings::getCurrent_HHMMSS_withLeadingZero(bool leadingZero)
{
    // Refresh first: the seconds must come from the same reading as the hours and minutes.
    const QString hoursMinutes = getCurrent_HHMM_withLeadingZero(leadingZero);
    return hoursMinutes + u':' + integerToStrWithLeadingZero(m_currentSecond, true);
}

QVariantList Strings::getDate(const QDateTime& date)
{
    const QDate day = date.toLocalTime().date();
    return {day.day(), day.month(), day.year()};
}

int Strings::getDayOfWeek()
{
    // QDate counts in the Gregorian calendar, Monday 1 to Sunday 7.
    return localNow().date().dayOfWeek() - 1;
}

QString Strings::createFilenameFromDateAndExt(const QString& ext)
{
    // QDateTime's own pattern formatting is locale-independent for these numeric fields.
    return format("%@.%@", localNow().toString(QStringLiteral("yyMMdd_HHmmss")), ext);
}

// ---- Durations and times of day ----

QString Strings::getTimeStrDDHHMMSS(int seconds)
{
    const int days = seconds / 86400;
    int rest = seconds % 86400;
    const int hours = rest / 3600;
    rest %= 3600;
    const int minutes = rest / 60;
    return format("%02d:%02d:%02d:%02d", days, hours, minutes, rest % 60);
}

QString Strings::getTimeStrHHMMSS(int seconds)
{
    return getTimeStrDDHHMMSS(seconds).mid(3);
}

QString Strings::getTimeStrMMSS(int seconds)
{
    return getTimeStrDDHHMMSS(seconds).mid(6);
}

QString Strings::getTimeStrSS(int seconds)
{
    return getTimeStrDDHHMMSS(seconds).mid(9);
}

QString Strings::integerToStrWithLeadingZero(int n, bool leadingZero)
{
    return leadingZero && n <= 9 ? format("0%d", n) : format("%d", n);
}

QString Strings::getTimeInMinutesSecondsWithLeadingZero(int minutes, int seconds, bool leadingZero)
{
    return integerToStrWithLeadingZero(minutes, leadingZero) + format(":%02d", seconds);
}

QString Strings::getTimeInHoursMinutesSecondsWithLeadingZero(int hours, int minutes, int seconds, bool leadingZero)
{
    return integerToStrWithLeadingZero(hours, leadingZero) + format(":%02d:%02d", minutes, seconds);
}

QString Strings::getTimeFromintWithLeadingZero(int seconds, bool leadingZero)
{
    const int hours = seconds / 3600;
    const int rest = seconds % 3600;
    return getTimeInHoursMinutesSecondsWithLeadingZero(hours, rest / 60, rest % 60, leadingZero);
}

QString Strings::floatToTimeOfDayLeadingZero(float hours, bool leadingZero)
{
    double value = std::isfinite(hours) ? double(hours) : 0.0;
    if (value == 24.0) {
        value = 0.0;
    }
    // Truncating a float outside the int range is undefined; such values are no time of day anyway.
    value = qBound(double(std::numeric_limits<int>::min()), value, double(std::numeric_limits<int>::max()));
    int wholeHours = int(value);
    const double fraction = value - double(wholeHours);
    int minutes = 0;
    if (fraction != 0.0) {
        // The 0.001 absorbs float error (13.2 is stored as 13.19999...), so a value within 3.6 s below a
        // full hour reaches 60 minutes: that is the next hour, never "hh:60".
        minutes = int((fraction + 0.001) * 60.0);
        if (minutes >= 60) {
            minutes = 0;
            if (wholeHours < std::numeric_limits<int>::max()) {
                ++wholeHours;
            }
            if (wholeHours == 24) {
                wholeHours = 0;
            }
        }
    }
    const QString h = leadingZero && wholeHours < 10 ? format("0%d", wholeHours) : format("%d", wholeHours);
    const QString m = minutes < 10 ? format("0%d", minutes) : format("%d", minutes);
    return h + u':' + m;
}

float Strings::timeStrToFloat(const QString& text)
{
    const QStringList pieces = text.split(u':');
    const double hours = leadingDecimal(pieces.at(0));
    const double minutes = pieces.size() > 1 ? leadingDecimal(pieces.at(1)) / 60.0 : 0.0;
    const double seconds = pieces.size() > 2 ? leadingDecimal(pieces.at(2)) / 3600.0 : 0.0;
    return float(hours + minutes + seconds);
}

float Strings::compareTime0WithTime1(const QString& a, const QString& b)
{
    return timeStrToFloat(a) - timeStrToFloat(b);
}

QDateTime Strings::convertGMTtoLocalTime(const QDateTime& date)
{
    return date.addSecs(localOffsetAt(date));
}

QDateTime Strings::convertlocalTimetoGMT(const QDateTime& date)
{
    return date.addSecs(-localOffsetAt(date));
}

// ---- Names and dates ----

QString Strings::getDay(int index)
{
    if (index < 0 || index > 6) {
        TRACE("Velbor: DON'T KNOW:%d", index);
        return QStringLiteral("???day");
    }
    return QString::fromUtf16(kDays[index]);
}

QString Strings::getDayShort(int index)
{
    return getDay(index).left(3);
}

QString Strings::getMonth(int number)
{
    if (number < 1 || number > 12) {
        TRACE("Velbor: DON'T KNOW:%d", number);
        return QStringLiteral("???month");
    }
    return QString::fromUtf16(kMonths[number - 1]);
}

QString Strings::getMonthShort(int number)
{
    return getMonth(number).left(3);
}

QString Strings::getShortDateAsStringFormatSeperator(const QVariantList& date, int format, const QString& seperator)
{
    const int day = tripleAt(date, 0);
    const int month = tripleAt(date, 1);
    const int year = tripleAt(date, 2);
    int first = year;
    int second = month;
    int third = day;
    if (format == 1) {
        first = month;
        second = day;
        third = year;
    } else if (format == 0) {
        first = day;
        second = month;
        third = year;
    }
    return QString::number(first) + seperator + QString::number(second) + seperator + QString::number(third);
}

namespace {
// The long and medium forms differ only in the month name; the weekday is today's, whatever the date.
QString wordDate(Strings& strings, const QVariantList& date, int form, const QString& monthName)
{
    const QString weekday = strings.getDay(strings.getDayOfWeek());
    const QString day = strings.numberToOrdinal(tripleAt(date, 0));
    const int year = tripleAt(date, 2);
    switch (form) {
    case 0:
        return format("%@, %@ %@ %d", weekday, day, monthName, year);
    case 1:
        return format("%@, %@ %@ %d", weekday, monthName, day, year);
    default:
        return format("%d %@ %@, %@", year, monthName, day, weekday);
    }
}
} // namespace

QString Strings::getLongDateAsStringFormat(const QVariantList& date, int format)
{
    return wordDate(*this, date, format, getMonth(tripleAt(date, 1)));
}

QString Strings::getMediumDateAsStringFormat(const QVariantList& date, int format)
{
    return wordDate(*this, date, format, getMonthShort(tripleAt(date, 1)));
}

QString Strings::numberToOrdinal(qint64 n)
{
    if (n <= 20) {
        return getToOrdinalFor1to20(n);
    }
    const qint64 last = n % 10;
    return format("%lld%lld%@", n / 10, last, suffixOf(last));
}

QString Strings::getToOrdinalFor1to20(qint64 n)
{
    if (n > 20) {
        return numberToOrdinal(n);
    }
    if (n == 0) {
        return QStringLiteral("00");
    }
    return format("%lld%@", n, n < 0 ? QStringLiteral("th") : suffixOf(n));
}
