#include "Debug.h"

#include "ManualClock.h"
#include "NotificationCenter.h"
#include "StderrCapture.h"
#include "Trace.h"
#include "TraceRecorder.h"

#include <QRegularExpression>
#include <QTest>
#include <QTimeZone>

#include <limits>

namespace {
// Traces from a member function so that the macro has to find class and method names itself.
struct AppDelegate
{
    int debugSystem()
    {
        const int line = __LINE__ + 1;
        TRACE("n=%d", 5);
        return line;
    }
};
} // namespace

class TestDebug : public QObject
{
    Q_OBJECT

    Debug* db = nullptr;

private slots:
    void initTestCase()
    {
        ManualClock clock;
        db = Debug::sharedEngineInstance();
        QVERIFY(db);
        // A fresh instance: both ends of stopwatch 1 at the moment of creation, stopwatch 2 unset.
        QCOMPARE(db->timeStart(), clock.now());
        QCOMPARE(db->timeEnd(), clock.now());
        QVERIFY(!db->timeStart2() && !db->timeEnd2());
        QCOMPARE(db->timeEndMinusStartInSeconds2(), 0.0);
    }

    void traceFromMethod()
    {
        StderrCapture capture;
        const int line = AppDelegate().debugSystem();
        QCOMPARE(capture.take(), format("tst_debug.cpp, debugSystem, line:%d  n=5\n", line).toUtf8());
    }

    void forwarding()
    {
        TraceRecorder posts; // observes "Debug"; the forwarding itself is switched below
        setTraceForwarding(false);
        StderrCapture capture;
        traceMessage("before");
        db->notify(true);
        QVERIFY(db->isNotifyActive() && isTraceForwarding());
        traceFileLine("/src/x/FS.cpp", 9, "on %@", QStringLiteral("a"));
        // The property setter records a state but leaves the forwarding alone.
        db->setNotifyActive(false);
        QVERIFY(isTraceForwarding());
        traceMessage("still on");
        db->notify(false);
        QVERIFY(!db->isNotifyActive() && !isTraceForwarding());
        traceMessage("after");
        const QByteArray err = capture.take();
        QCOMPARE(posts.lines(), (QStringList{QStringLiteral("FS.cpp, line:9  on a\n"), QStringLiteral("still on\n")}));
        QCOMPARE(err, QByteArray("before\nFS.cpp, line:9  on a\nstill on\nafter\n"));
    }

    void dtPostsWhateverTheForwarding()
    {
        TraceRecorder posts;
        setTraceForwarding(false);
        StderrCapture capture;
        db->dt(QStringLiteral("hello"));
        db->dtf(QStringLiteral("x"));
        QCOMPARE(capture.take(), QByteArray()); // nothing on standard error
        QCOMPARE(posts.lines().size(), 2);
        QCOMPARE(posts.lines().at(0), QStringLiteral("hello\n"));
        QVERIFY2(QRegularExpression(QStringLiteral("^Debug\\.cpp, dtf, line:[1-9][0-9]* x\\n\\n$"))
                     .match(posts.lines().at(1))
                     .hasMatch(),
                 qPrintable(posts.lines().at(1)));
    }

    void stopwatches()
    {
        ManualClock clock;
        db->time_setStartTime();
        clock.advance(1.5);
        db->time_setEndTime();
        QCOMPARE(db->timeEndMinusStartInMilliseconds(), 1500.0);
        QCOMPARE(db->timeEndMinusStartInMinutes(), 0.025);
        QCOMPARE(db->timeEnd(), clock.now());
        // Successive interval calls answer the time between calls.
        db->time_setStartAndEnd();
        clock.advance(1.0);
        QCOMPARE(db->time_getIntervalSinceLastCalled(), 1.0);
        clock.advance(2.5);
        QCOMPARE(db->time_getIntervalSinceLastCalled(), 2.5);
        QCOMPARE(db->timeStart(), db->timeEnd());
        // An end set before the start reads negative.
        db->time_setEndTime();
        clock.advance(3.0);
        db->time_setStartTime();
        QCOMPARE(db->timeEndMinusStartInSeconds(), -3.0);

        // Stopwatch 2 starts unset: the first interval call only starts it. It runs apart from 1.
        QCOMPARE(db->time_getIntervalSinceLastCalled2(), 0.0);
        QVERIFY(db->timeStart2() && db->timeEnd2());
        clock.advance(0.25);
        QCOMPARE(db->time_getIntervalSinceLastCalled2(), 0.25);
        db->time_setStartAndEnd();
        db->time_setStartTime2();
        clock.advance(120.0);
        db->time_setEndTime2();
        QCOMPARE(db->timeEndMinusStartInMinutes2(), 2.0);
        QCOMPARE(db->timeEndMinusStartInSeconds(), 0.0);
    }

    void durations()
    {
        const QDateTime start(QDate(2026, 12, 5), QTime(9, 5, 3), QTimeZone::utc());
        const auto text = [&](qint64 ms) { return db->getTimeIntervalStrEnd(start, start.addMSecs(ms)); };
        const auto whole = [&](qint64 ms) { return db->getTimeIntervalIntEnd(start, start.addMSecs(ms)); };
        QCOMPARE(text(90061500), QStringLiteral("01:01:01:01"));
        QCOMPARE(whole(90061500), 90061);
        QCOMPARE(text(86399999), QStringLiteral("00:23:59:59"));
        // Each field truncates toward zero, so a negative difference gives negative fields.
        QCOMPARE(text(-90061500), QStringLiteral("-1:-1:-1:-1"));
        QCOMPARE(whole(-90061500), -90061);
        QCOMPARE(text(-900), QStringLiteral("00:00:00:00"));
        QCOMPARE(text(400LL * 86400000), QStringLiteral("400:00:00:00"));
        QCOMPARE(whole(1000LL * 86400000 * 1000), std::numeric_limits<int>::max());
        QCOMPARE(db->getTimeIntervalStrEnd(QDateTime(), QDateTime::currentDateTime()), QStringLiteral("00:00:00:00"));
        QCOMPARE(Debug::timeIntervalText(std::numeric_limits<double>::quiet_NaN()), QStringLiteral("00:00:00:00"));
        QVERIFY(Debug::timeIntervalText(1e300).startsWith(QStringLiteral("2147483647:")));
        QVERIFY(Debug::timeIntervalText(-1e300).startsWith(QStringLiteral("-2147483648:")));
    }

    void datePatterns()
    {
        const QDateTime morning(QDate(2026, 12, 5), QTime(9, 5, 3, 42), QTimeZone::utc());
        const QDateTime midnight(QDate(2027, 1, 1), QTime(0, 30, 0), QTimeZone::utc());
        const QDateTime offset(QDate(2026, 7, 14), QTime(18, 0, 0), QTimeZone(5400));
        const QDateTime west(QDate(2026, 7, 14), QTime(18, 0, 0), QTimeZone(-7 * 3600));
        const auto f = [](const QDateTime& date, const char* pattern) {
            return Debug::formatDate(date, QString::fromUtf8(pattern));
        };
        QCOMPARE(f(morning, "yyMMdd_HHmmss"), QStringLiteral("261205_090503"));
        QCOMPARE(f(morning, "yyyy-MM-dd HH:mm:ss.SSS|s.S|SSSS"), QStringLiteral("2026-12-05 09:05:03.042|3.0|0420"));
        QCOMPARE(f(morning, "EEE, d MMM y|EEEE MMMM|EEEEE MMMMM"),
                 QStringLiteral("Sat, 5 Dec 2026|Saturday December|S D"));
        QCOMPARE(f(midnight, "h:mm a|hh|HH|K|k"), QStringLiteral("12:30 AM|12|00|0|24"));
        QCOMPARE(f(morning, "'at' HH 'o''clock' '' 'mm"), QStringLiteral("at 09 o'clock ' mm"));
        QCOMPARE(f(morning, "D w e QQQ QQQQ G"), QStringLiteral("339 49 7 Q4 4th quarter AD"));
        QCOMPARE(f(midnight, "YYYY yyyy"), QStringLiteral("2026 2027"));
        QCOMPARE(f(morning, "Z ZZZZ ZZZZZ xxx X"), QStringLiteral("+0000 GMT Z +00:00 Z"));
        QCOMPARE(f(offset, "Z ZZZZ O ZZZZZ x"), QStringLiteral("+0130 GMT+01:30 GMT+1:30 +01:30 +0130"));
        QCOMPARE(f(west, "Z O XXX"), QStringLiteral("-0700 GMT-7 -07:00"));
        QCOMPARE(f(QDateTime(), "EEEE MMMM yyyy"), QString());
        ManualClock clock(QDateTime(QDate(2026, 2, 3), QTime(4, 5, 6)));
        QCOMPARE(db->getFormattedTime(QStringLiteral("yyMMdd_HHmmss")), QStringLiteral("260203_040506"));
    }

    void textsOfTheLogAndTheMethodLine()
    {
        db->clrLog();
        db->updateLog(QStringLiteral("a"));
        db->log(QStringLiteral("100%d"));
        QCOMPARE(db->debugLog(), QStringLiteral("log: a\nlog: 100%d\n"));
        StderrCapture capture;
        db->setLog(QStringLiteral("fresh %@"));
        QCOMPARE(capture.take(), QByteArray(":fresh %@\n"));
        QCOMPARE(db->debugLog(), QStringLiteral("fresh %@"));
        QCOMPARE(db->debugFileMethodLine("/a/b/AppDelegate.cpp", "-[AppDelegate intSliderSender:]", 12),
                 QStringLiteral("AppDelegate.cpp, method:intSliderSender:, line:12"));
        QCOMPARE(db->debugFileMethodLine(nullptr, nullptr, -1), QStringLiteral(", method:, line:-1"));
    }

    void blankLinesAreAlwaysSeventy()
    {
        StderrCapture capture;
        db->bl(3);
        db->bl(-5);
        db->cls();
        QCOMPARE(capture.take(), QByteArray(210, '\n'));
    }

    void notificationsAreLoggedWithTheObjectsIntegerValue()
    {
        StderrCapture capture;
        db->handleNotification(Notification{QStringLiteral("ISM"), QStringLiteral(" 42abc"), {}});
        db->handleNotification(Notification{QStringLiteral("N"), 3.9, {}});
        const QByteArray logged = capture.take();
        QVERIFY2(logged.contains("] string: ISM :  42abc\n") && logged.contains("]  value: 42\n") &&
                     logged.contains("]  value: 3\n") && logged.contains("] ,msg StaticTemplate to Engine:3.9\n"),
                 logged.constData());
    }
};

QTEST_GUILESS_MAIN(TestDebug)
#include "tst_debug.moc"
