#include "ManualClock.h"
#include "NotificationCenter.h"
#include "Strings.h"
#include "Trace.h"

#include <QFileInfo>
#include <QTest>

#include <cmath>
#include <ctime>
#include <functional>
#include <limits>

namespace {
// Sets the process's time zone for its lifetime and puts the previous one back.
class ZoneScope
{
public:
    explicit ZoneScope(const char* zone) : m_had(qEnvironmentVariableIsSet("TZ")), m_saved(qgetenv("TZ"))
    {
        qputenv("TZ", zone);
        tzset();
    }
    ~ZoneScope()
    {
        if (m_had) {
            qputenv("TZ", m_saved);
        } else {
            qunsetenv("TZ");
        }
        tzset();
    }
    ZoneScope(const ZoneScope&) = delete;
    ZoneScope& operator=(const ZoneScope&) = delete;

private:
    bool m_had;
    QByteArray m_saved;
};

bool haveZone(const char* zone)
{
    return QFileInfo::exists(QStringLiteral("/usr/share/zoneinfo/") + QLatin1String(zone));
}

QDateTime utc(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}

Strings& S()
{
    return *Strings::sharedEngineInstance();
}

int traceCount(const std::function<void()>& action)
{
    int count = 0;
    setTraceForwarding(true);
    const auto token = NotificationCenter::defaultCenter().addObserver(QStringLiteral("Debug"),
                                                                       [&count](const Notification&) { ++count; });
    action();
    NotificationCenter::defaultCenter().removeObserver(token);
    setTraceForwarding(false);
    return count;
}
} // namespace

class TestStringsDates : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        // Every test starts in UTC unless it chooses a zone itself.
        qputenv("TZ", "UTC");
        tzset();
    }

    void logStamp()
    {
        ManualClock clock(utc(2026, 12, 5, 9, 5, 3));
        QCOMPARE(S().getDateTime(), QStringLiteral("2026:12:5-09:05:03"));
        clock.setNow(utc(2026, 10, 31, 23, 59, 59));
        QCOMPARE(S().getDateTime(), QStringLiteral("2026:10:31-23:59:59"));
        // The stamp refreshes the current-time fields as the clock operations do.
        QCOMPARE(S().currentHour(), 23);
        QCOMPARE(S().currentSecond(), 59);
    }

    void logStampAcrossZoneChanges_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDateTime>("moment");
        QTest::addColumn<QString>("stamp");
        // Berlin springs forward at 01:00 UTC on 29 March 2026 (02:00 CET becomes 03:00 CEST) ...
        QTest::newRow("berlin before spring")
            << QByteArray("Europe/Berlin") << utc(2026, 3, 29, 0, 59, 59) << QStringLiteral("2026:3:29-01:59:59");
        QTest::newRow("berlin after spring")
            << QByteArray("Europe/Berlin") << utc(2026, 3, 29, 1, 0, 0) << QStringLiteral("2026:3:29-03:00:00");
        // ... and falls back at 01:00 UTC on 25 October 2026: 02:30 happens twice.
        QTest::newRow("berlin second 02:30")
            << QByteArray("Europe/Berlin") << utc(2026, 10, 25, 1, 30, 0) << QStringLiteral("2026:10:25-02:30:00");
        QTest::newRow("new york day before")
            << QByteArray("America/New_York") << utc(2026, 12, 5, 3, 0, 0) << QStringLiteral("2026:12:4-22:00:00");
    }
    void logStampAcrossZoneChanges()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QDateTime, moment);
        QFETCH(QString, stamp);
        if (!haveZone(zone.constData())) {
            QSKIP("time-zone data not installed");
        }
        ZoneScope scope(zone.constData());
        ManualClock clock(moment);
        QCOMPARE(S().getDateTime(), stamp);
        // The date triple and the file-name stamp read the same local calendar.
        const QStringList parts = stamp.section(u'-', 0, 0).split(u':');
        QCOMPARE(S().getDate(moment), (QVariantList{parts.at(2).toInt(), parts.at(1).toInt(), parts.at(0).toInt()}));
        // The platform date text is always UTC.
        QCOMPARE(S().getCurrentTimeStr(),
                 moment.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" +0000"));
    }

    void gmtAndLocal()
    {
        if (!haveZone("Europe/Berlin")) {
            QSKIP("time-zone data not installed");
        }
        ZoneScope scope("Europe/Berlin");
        const QDateTime winter = utc(2026, 1, 15, 12, 0, 0);
        const QDateTime summer = utc(2026, 7, 15, 12, 0, 0);
        QCOMPARE(winter.secsTo(S().convertGMTtoLocalTime(winter)), 3600);
        QCOMPARE(summer.secsTo(S().convertGMTtoLocalTime(summer)), 7200);
        QCOMPARE(summer.secsTo(S().convertlocalTimetoGMT(summer)), -7200);
        QCOMPARE(S().convertlocalTimetoGMT(S().convertGMTtoLocalTime(winter)), winter);
    }

    void clockFields()
    {
        ManualClock clock(utc(2026, 12, 5, 9, 5, 3));
        QCOMPARE(S().updateCurrentTime(), 9.0F + 5.0F / 60.0F + 3.0F / 3600.0F);
        QCOMPARE(S().currentMinute(), 5);
        QCOMPARE(S().getCurrent_HHMM_withLeadingZero(false), QStringLiteral("9:05"));
        clock.setNow(utc(2026, 12, 5, 21, 40, 59));
        QCOMPARE(S().getCurrent_HHMMSS_withLeadingZero(false), QStringLiteral("21:40:59"));
        S().setCurrentMinute(7);
        QCOMPARE(S().currentMinute(), 7);
        QCOMPARE(S().createFilenameFromDateAndExt(QStringLiteral("log")), QStringLiteral("261205_214059.log"));
    }

    void weekdays()
    {
        ManualClock clock(utc(2026, 12, 6, 12, 0, 0)); // a Sunday
        QCOMPARE(S().getDayOfWeek(), 6);
        clock.setNow(utc(2026, 12, 7, 0, 0, 0));
        QCOMPARE(S().getDayOfWeek(), 0);
        QCOMPARE(S().getDayShort(6), QStringLiteral("Sun"));
    }

    void durations()
    {
        QCOMPARE(S().getTimeStrDDHHMMSS(90061), QStringLiteral("01:01:01:01"));
        QCOMPARE(S().getTimeStrMMSS(3725), QStringLiteral("02:05"));
        // A three-digit day field moves the shortened forms one character on.
        QCOMPARE(S().getTimeStrHHMMSS(8640000), QStringLiteral(":00:00:00"));
        QCOMPARE(S().getTimeStrDDHHMMSS(std::numeric_limits<int>::max()), QStringLiteral("24855:03:14:07"));
        QCOMPARE(S().integerToStrWithLeadingZero(-5, true), QStringLiteral("0-5"));
        QCOMPARE(S().getTimeInMinutesSecondsWithLeadingZero(3, 7, false), QStringLiteral("3:07"));
        QCOMPARE(S().getTimeFromintWithLeadingZero(90061, true), QStringLiteral("25:01:01"));
    }

    void timeOfDay()
    {
        QCOMPARE(S().floatToTimeOfDayLeadingZero(9.5F, true), QStringLiteral("09:30"));
        QCOMPARE(S().floatToTimeOfDayLeadingZero(24.0F, false), QStringLiteral("0:00"));
        QCOMPARE(S().floatToTimeOfDayLeadingZero(13.2F, false), QStringLiteral("13:12"));
        // Never minute 60, and no undefined conversion of values that are no time at all.
        QCOMPARE(S().floatToTimeOfDayLeadingZero(9.9999F, true), QStringLiteral("10:00"));
        QCOMPARE(S().floatToTimeOfDayLeadingZero(23.9999F, false), QStringLiteral("0:00"));
        QCOMPARE(S().floatToTimeOfDayLeadingZero(std::numeric_limits<float>::quiet_NaN(), true),
                 QStringLiteral("00:00"));
        QCOMPARE(S().floatToTimeOfDayLeadingZero(1e30F, false), QStringLiteral("2147483647:00"));
        QVERIFY(std::fabs(S().timeStrToFloat(QStringLiteral("1:30:36")) - 1.51F) < 1e-5F);
        QVERIFY(std::fabs(S().timeStrToFloat(QStringLiteral(" 1.5h:xx")) - 1.5F) < 1e-5F);
        QCOMPARE(S().timeStrToFloat(QString()), 0.0F);
        QVERIFY(S().compareTime0WithTime1(QStringLiteral("9:00"), QStringLiteral("9:00:01")) < 0.0F);
    }

    void names()
    {
        QCOMPARE(S().getMonthShort(2), QStringLiteral("Feb"));
        QString answer;
        QCOMPARE(traceCount([&] { answer = S().getMonth(13); }), 1);
        QCOMPARE(answer, QStringLiteral("???month"));
        QCOMPARE(traceCount([&] { answer = S().getDay(-1); }), 1);
        QCOMPARE(answer, QStringLiteral("???day"));
        QCOMPARE(traceCount([&] { answer = S().getDay(3); }), 0);
        QCOMPARE(answer, QStringLiteral("Thursday"));
        QCOMPARE(S().numberToOrdinal(112), QStringLiteral("112nd"));
        QCOMPARE(S().numberToOrdinal(11), QStringLiteral("11th"));
        QCOMPARE(S().numberToOrdinal(0), QStringLiteral("00"));
        QCOMPARE(S().numberToOrdinal(std::numeric_limits<qint64>::min()), QStringLiteral("-9223372036854775808th"));
    }

    void dateTexts()
    {
        ManualClock clock(utc(2026, 12, 7, 9, 0, 0)); // a Monday
        const QVariantList date{5, 12, 2026};
        QCOMPARE(S().getShortDateAsStringFormatSeperator(date, 0, QStringLiteral("/")), QStringLiteral("5/12/2026"));
        QCOMPARE(S().getShortDateAsStringFormatSeperator(date, 1, QStringLiteral("/")), QStringLiteral("12/5/2026"));
        QCOMPARE(S().getShortDateAsStringFormatSeperator(date, 2, QStringLiteral(":")), QStringLiteral("2026:12:5"));
        QCOMPARE(S().getShortDateAsStringFormatSeperator({}, 0, QStringLiteral("-")), QStringLiteral("0-0-0"));
        // 5 December 2026 was a Saturday; the long forms carry today's weekday all the same.
        QCOMPARE(S().getLongDateAsStringFormat(date, 0), QStringLiteral("Monday, 5th December 2026"));
        QCOMPARE(S().getLongDateAsStringFormat(date, 1), QStringLiteral("Monday, December 5th 2026"));
        QCOMPARE(S().getLongDateAsStringFormat(date, 7), QStringLiteral("2026 December 5th, Monday"));
        QCOMPARE(S().getMediumDateAsStringFormat({22, 2, 2027}, 0), QStringLiteral("Monday, 22nd Feb 2027"));
        QCOMPARE(S().getMediumDateAsStringFormat({1, 13, 2027}, 2), QStringLiteral("2027 ??? 1st, Monday"));
    }
};

QTEST_GUILESS_MAIN(TestStringsDates)
#include "tst_stringsdates.moc"
