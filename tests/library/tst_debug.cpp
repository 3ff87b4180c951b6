#include "Debug.h"

#include "FakeReachability.h"
#include "ManualClock.h"
#include "NotificationCenter.h"
#include "Platform.h"
#include "StderrCapture.h"
#include "Trace.h"

#include <QRegularExpression>
#include <QTest>
#include <QTimeZone>

#include <limits>

namespace {
// Collects the objects of the "Debug" notifications posted while it lives.
class DebugPosts
{
public:
    DebugPosts()
    {
        m_token = NotificationCenter::defaultCenter().addObserver(
            QStringLiteral("Debug"), [this](const Notification& n) { m_posted << n.object.toString(); });
    }
    ~DebugPosts() { NotificationCenter::defaultCenter().removeObserver(m_token); }
    QStringList posted() const { return m_posted; }

private:
    NotificationCenter::Token m_token = 0;
    QStringList m_posted;
};

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

// The lines a process-log capture holds, without their date/process prefix.
QStringList processLogTexts(const QByteArray& captured)
{
    QStringList texts;
    for (const QString& line : QString::fromUtf8(captured).split(u'\n', Qt::SkipEmptyParts)) {
        texts << line.mid(line.indexOf(QStringLiteral("] ")) + 2);
    }
    return texts;
}
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
        QCOMPARE(db->debugLog(), QString());
        QCOMPARE(db->dbInt(), 0);
        QVERIFY(!db->dbStr());
        QVERIFY(!db->isIncludeStatusBar() && !db->isNotifyActive());
    }

    void oneInstance()
    {
        QCOMPARE(Debug::sharedEngineInstance(), db);
        QCOMPARE(Debug::alloc(), nullptr);
        QCOMPARE(db->copy(), db);
    }

    void traceFromMethod()
    {
        StderrCapture capture;
        const int line = AppDelegate().debugSystem();
        QCOMPARE(capture.take(), format("tst_debug.cpp, debugSystem, line:%d  n=5\n", line).toUtf8());
    }

    void forwarding()
    {
        DebugPosts posts;
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
        QCOMPARE(posts.posted(), (QStringList{QStringLiteral("FS.cpp, line:9  on a\n"), QStringLiteral("still on\n")}));
        QCOMPARE(err, QByteArray("before\nFS.cpp, line:9  on a\nstill on\nafter\n"));
    }

    void dtPostsWhateverTheForwarding()
    {
        DebugPosts posts;
        StderrCapture capture;
        db->dt(QStringLiteral("hello"));
        db->dtf(QStringLiteral("x"));
        QCOMPARE(capture.take(), QByteArray()); // nothing on standard error
        QCOMPARE(posts.posted().size(), 2);
        QCOMPARE(posts.posted().at(0), QStringLiteral("hello\n"));
        QVERIFY2(QRegularExpression(QStringLiteral("^Debug\\.cpp, dtf, line:[1-9][0-9]* x\\n\\n$"))
                     .match(posts.posted().at(1))
                     .hasMatch(),
                 qPrintable(posts.posted().at(1)));
    }

    void stopwatchOne()
    {
        ManualClock clock;
        db->time_setStartTime();
        clock.advance(1.5);
        db->time_setEndTime();
        QCOMPARE(db->timeEndMinusStartInSeconds(), 1.5);
        QCOMPARE(db->timeEndMinusStartInMilliseconds(), 1500.0);
        QCOMPARE(db->timeEndMinusStartInMinutes(), 0.025);
        QCOMPARE(db->timeEnd(), clock.now());

        db->time_setStartAndEnd();
        QCOMPARE(db->timeEndMinusStartInSeconds(), 0.0);
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
    }

    void stopwatchTwo()
    {
        ManualClock clock;
        // Unset ends read 0; the first interval call only starts the watch.
        QCOMPARE(db->time_getIntervalSinceLastCalled2(), 0.0);
        QVERIFY(db->timeStart2() && db->timeEnd2());
        clock.advance(0.25);
        QCOMPARE(db->time_getIntervalSinceLastCalled2(), 0.25);
        db->time_setStartTime2();
        clock.advance(120.0);
        db->time_setEndTime2();
        QCOMPARE(db->timeEndMinusStartInMinutes2(), 2.0);
        QCOMPARE(db->timeEndMinusStartInMilliseconds2(), 120000.0);
        // Stopwatch 1 is untouched by stopwatch 2.
        db->time_setStartAndEnd();
        db->time_setStartAndEnd2();
        clock.advance(1.0);
        db->time_setEndTime2();
        QCOMPARE(db->timeEndMinusStartInSeconds(), 0.0);
        QCOMPARE(db->timeEndMinusStartInSeconds2(), 1.0);
    }

    void durations_data()
    {
        QTest::addColumn<qint64>("msecs");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("whole");
        QTest::newRow("day hour minute second") << 90061500LL << QStringLiteral("01:01:01:01") << 90061;
        QTest::newRow("under a minute truncates") << 59900LL << QStringLiteral("00:00:00:59") << 59;
        QTest::newRow("zero") << 0LL << QStringLiteral("00:00:00:00") << 0;
        QTest::newRow("just under a day") << 86399999LL << QStringLiteral("00:23:59:59") << 86399;
        QTest::newRow("negative fields") << -90061500LL << QStringLiteral("-1:-1:-1:-1") << -90061;
        QTest::newRow("negative under a second") << -900LL << QStringLiteral("00:00:00:00") << 0;
        QTest::newRow("three digit days") << 400LL * 86400000 << QStringLiteral("400:00:00:00") << 400 * 86400;
        QTest::newRow("whole seconds saturate")
            << 1000LL * 86400000 * 1000 << QStringLiteral("1000000:00:00:00") << std::numeric_limits<int>::max();
    }
    void durations()
    {
        QFETCH(qint64, msecs);
        QFETCH(QString, text);
        QFETCH(int, whole);
        const QDateTime start(QDate(2026, 12, 5), QTime(9, 5, 3), QTimeZone::utc());
        QCOMPARE(db->getTimeIntervalStrEnd(start, start.addMSecs(msecs)), text);
        QCOMPARE(db->getTimeIntervalIntEnd(start, start.addMSecs(msecs)), whole);
    }

    void durationsOfBadInput()
    {
        QCOMPARE(db->getTimeIntervalStrEnd(QDateTime(), QDateTime::currentDateTime()), QStringLiteral("00:00:00:00"));
        QCOMPARE(Debug::timeIntervalText(std::numeric_limits<double>::quiet_NaN()), QStringLiteral("00:00:00:00"));
        QVERIFY(Debug::timeIntervalText(1e300).startsWith(QStringLiteral("2147483647:")));
        QVERIFY(Debug::timeIntervalText(-1e300).startsWith(QStringLiteral("-2147483648:")));
    }

    void datePatterns_data()
    {
        QTest::addColumn<QDateTime>("date");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("text");
        const QDateTime morning(QDate(2026, 12, 5), QTime(9, 5, 3, 42), QTimeZone::utc());
        const QDateTime midnight(QDate(2027, 1, 1), QTime(0, 30, 0), QTimeZone::utc());
        const QDateTime offset(QDate(2026, 7, 14), QTime(18, 0, 0), QTimeZone(5400));
        const QDateTime west(QDate(2026, 7, 14), QTime(18, 0, 0), QTimeZone(-7 * 3600));
        QTest::newRow("file name stamp") << morning << QStringLiteral("yyMMdd_HHmmss")
                                         << QStringLiteral("261205_090503");
        QTest::newRow("fraction") << morning << QStringLiteral("yyyy-MM-dd HH:mm:ss.SSS")
                                  << QStringLiteral("2026-12-05 09:05:03.042");
        QTest::newRow("short fraction") << morning << QStringLiteral("s.S|s.SS|SSSS")
                                        << QStringLiteral("3.0|3.04|0420");
        QTest::newRow("names") << morning << QStringLiteral("EEE, d MMM y") << QStringLiteral("Sat, 5 Dec 2026");
        QTest::newRow("long names") << morning << QStringLiteral("EEEE MMMM") << QStringLiteral("Saturday December");
        QTest::newRow("narrow names") << morning << QStringLiteral("EEEEE MMMMM EEEEEE") << QStringLiteral("S D Sa");
        QTest::newRow("12-hour clock") << morning << QStringLiteral("h:mm a") << QStringLiteral("9:05 AM");
        QTest::newRow("midnight hours") << midnight << QStringLiteral("hh|HH|K|k|a") << QStringLiteral("12|00|0|24|AM");
        QTest::newRow("evening") << offset << QStringLiteral("h a") << QStringLiteral("6 PM");
        QTest::newRow("quoted literal") << morning << QStringLiteral("'at' HH 'o''clock' ''")
                                        << QStringLiteral("at 09 o'clock '");
        QTest::newRow("unclosed quote") << morning << QStringLiteral("HH 'mm") << QStringLiteral("09 mm");
        QTest::newRow("punctuation") << morning << QStringLiteral("dd/MM/yyyy, HH:mm")
                                     << QStringLiteral("05/12/2026, 09:05");
        QTest::newRow("day of year and week")
            << morning << QStringLiteral("D DDD w e c") << QStringLiteral("339 339 49 7 7");
        QTest::newRow("quarter and era") << morning << QStringLiteral("QQQ QQQQ G")
                                         << QStringLiteral("Q4 4th quarter AD");
        QTest::newRow("week-based year") << midnight << QStringLiteral("YYYY yyyy") << QStringLiteral("2026 2027");
        QTest::newRow("utc zone") << morning << QStringLiteral("Z ZZZZ ZZZZZ xxx X")
                                  << QStringLiteral("+0000 GMT Z +00:00 Z");
        QTest::newRow("half-hour zone") << offset << QStringLiteral("Z ZZZZ O ZZZZZ x")
                                        << QStringLiteral("+0130 GMT+01:30 GMT+1:30 +01:30 +0130");
        QTest::newRow("western zone") << west << QStringLiteral("Z O XXX") << QStringLiteral("-0700 GMT-7 -07:00");
        QTest::newRow("empty") << morning << QString() << QString();
        QTest::newRow("invalid date") << QDateTime() << QStringLiteral("EEEE MMMM yyyy") << QString();
    }
    void datePatterns()
    {
        QFETCH(QDateTime, date);
        QFETCH(QString, pattern);
        QFETCH(QString, text);
        QCOMPARE(Debug::formatDate(date, pattern), text);
    }

    void formattedTimeReadsTheClock()
    {
        ManualClock clock(QDateTime(QDate(2026, 2, 3), QTime(4, 5, 6)));
        QCOMPARE(db->getFormattedTime(QStringLiteral("yyMMdd_HHmmss")), QStringLiteral("260203_040506"));
    }

    void methodNames_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("text");
        QTest::newRow("method") << QByteArray("/a/b/AppDelegate.cpp") << QByteArray("-[AppDelegate debugSystem]")
                                << QStringLiteral("AppDelegate.cpp, method:debugSystem, line:12");
        QTest::newRow("colons kept") << QByteArray("x.cpp") << QByteArray("-[AppDelegate intSliderSender:]")
                                     << QStringLiteral("x.cpp, method:intSliderSender:, line:12");
        QTest::newRow("more pieces") << QByteArray("x.cpp") << QByteArray("-[A b c]")
                                     << QStringLiteral("x.cpp, method:b, line:12");
        QTest::newRow("no blank") << QByteArray("x.cpp") << QByteArray("-[Lonely]")
                                  << QStringLiteral("x.cpp, method:, line:12");
        QTest::newRow("too short") << QByteArray("x.cpp") << QByteArray("f")
                                   << QStringLiteral("x.cpp, method:, line:12");
        QTest::newRow("empty") << QByteArray("") << QByteArray("") << QStringLiteral(", method:, line:12");
        QTest::newRow("directory only") << QByteArray("/src/") << QByteArray("-[A b]")
                                        << QStringLiteral(", method:b, line:12");
    }
    void methodNames()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, method);
        QFETCH(QString, text);
        QCOMPARE(db->debugFileMethodLine(file.constData(), method.constData(), 12), text);
    }

    void methodNameNull()
    {
        QCOMPARE(db->debugFileMethodLine(nullptr, nullptr, -1), QStringLiteral(", method:, line:-1"));
    }

    void logText()
    {
        db->clrLog();
        db->updateLog(QStringLiteral("a"));
        db->log(QStringLiteral("100%d"));
        QCOMPARE(db->debugLog(), QStringLiteral("log: a\nlog: 100%d\n"));
        StderrCapture capture;
        db->setLog(QStringLiteral("fresh %@"));
        QCOMPARE(capture.take(), QByteArray(":fresh %@\n"));
        QCOMPARE(db->debugLog(), QStringLiteral("fresh %@"));
        db->clrLog();
        QCOMPARE(db->debugLog(), QString());
    }

    void blankLines_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("3") << 3;
        QTest::newRow("0") << 0;
        QTest::newRow("negative") << -5;
        QTest::newRow("more than 70") << 500;
    }
    void blankLines()
    {
        QFETCH(int, count);
        StderrCapture capture;
        db->bl(count);
        QCOMPARE(capture.take(), QByteArray(70, '\n'));
    }

    void cls()
    {
        StderrCapture capture;
        db->cls();
        QCOMPARE(capture.take(), QByteArray(70, '\n'));
    }

    void arrays()
    {
        StderrCapture capture;
        db->arrayDebug(QVariantList{1, QStringLiteral("b"), 3.0});
        db->mutableArrayDebug(QVariantList{});
        db->arrayDebug(QStringList{QStringLiteral("x")});
        const QStringList lines = QString::fromUtf8(capture.take()).split(u'\n');
        QCOMPARE(lines.size(), 4);
        const QRegularExpression shape(QStringLiteral("^0x[0-9a-f]+  length:(\\d+)  type:(\\w+)$"));
        const auto first = shape.match(lines.at(0));
        const auto second = shape.match(lines.at(1));
        const auto third = shape.match(lines.at(2));
        QVERIFY2(first.hasMatch() && second.hasMatch() && third.hasMatch(), qPrintable(lines.join(u'|')));
        QCOMPARE(first.captured(1), QStringLiteral("3"));
        QCOMPARE(second.captured(1), QStringLiteral("0"));
        // The same container type prints the same identity; another type another one.
        QCOMPARE(lines.at(0).section(u' ', 0, 0), lines.at(1).section(u' ', 0, 0));
        QVERIFY(lines.at(0).section(u' ', 0, 0) != lines.at(2).section(u' ', 0, 0));
        QCOMPARE(third.captured(2), QStringLiteral("QStringList"));
    }

    void geometry()
    {
        const QRectF r(1, 2, 30, 40);
        QCOMPARE(db->setRect(r), r);
        QCOMPARE(db->swopRectXY(r), QRectF(2, 1, 30, 40));
        QCOMPARE(db->swopRectWidthHeight(r), QRectF(1, 2, 40, 30));
        QCOMPARE(db->swopRectBoth(r), QRectF(2, 1, 40, 30));
        QCOMPARE(db->setSize(QSizeF(3, 4)), QSizeF(3, 4));
        QCOMPARE(db->swopSizes(QSizeF(3, 4)), QSizeF(4, 3));
        // Negative sizes are exchanged as they are, not normalised.
        QCOMPARE(db->swopRectWidthHeight(QRectF(0, 0, -1, 5)), QRectF(0, 0, 5, -1));
    }

    void printers()
    {
        StderrCapture capture;
        db->greet();
        db->txt(QStringLiteral("t"));
        db->txt2Txt(QStringLiteral("a"), QStringLiteral("b"));
        db->txt3TxtTxt(QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("%d"));
        db->numNum(QStringLiteral("n"), -1);
        db->num2NumNum(QStringLiteral("n"), 1, 2);
        db->num3NumNumNum(QStringLiteral("n"), 1, 2, 3);
        db->fnumNum(QStringLiteral("f"), 1.5);
        db->fnum2NumNum(QStringLiteral("f"), 1.5, -2);
        db->fnum3NumNumNum(QStringLiteral("f"), 0, 0.25, 1e6);
        db->dbPointP(QStringLiteral("p"), QPointF(1.5, -2));
        db->dbRectR(QStringLiteral("r"), QRectF(1, 2, 3, 4));
        db->debugCGRectWithTitle(QRectF(1.4, 2.6, 300, 4), QStringLiteral("frame"));
        db->bpString(7, QStringLiteral("here"));
        db->handleNotification(Notification{QStringLiteral("ISM"), QStringLiteral(" 42abc"), {}});
        db->handleNotification(Notification{QStringLiteral("N"), 3.9, {}});
        db->handleNotification(Notification{QStringLiteral("N"), QVariant(), {}});
        const QStringList expected{
            QStringLiteral("hello from Debug"),
            QStringLiteral("t"),
            QStringLiteral("a b"),
            QStringLiteral("a b %d"),
            QStringLiteral("n:-1"),
            QStringLiteral("n:1 2"),
            QStringLiteral("n:1 2 3"),
            QStringLiteral("f:1.500000"),
            QStringLiteral("f:1.500000 -2.000000"),
            QStringLiteral("f:0.000000 0.250000 1000000.000000"),
            QStringLiteral("p: x:1.500000 y:-2.000000"),
            QStringLiteral("r: x:1.000000 y:2.000000 w:3.000000 h:4.000000"),
            QStringLiteral("frame: x,y:1,3  w,h:300,4"),
            QStringLiteral("Breakpoint:7   info:here"),
            QStringLiteral("string: ISM :  42abc"),
            QStringLiteral(" value: 42"),
            QStringLiteral(",msg StaticTemplate to Engine: 42abc"),
            QStringLiteral("string: N : 3.9"),
            QStringLiteral(" value: 3"),
            QStringLiteral(",msg StaticTemplate to Engine:3.9"),
            QStringLiteral("string: N : (null)"),
            QStringLiteral(" value: 0"),
            QStringLiteral(",msg StaticTemplate to Engine:(null)"),
        };
        QCOMPARE(processLogTexts(capture.take()), expected);
    }

    void freeFields()
    {
        db->setDbInt(-7);
        db->setDbStr(QString());
        db->setIncludeStatusBar(true);
        db->setDebugLog(QStringLiteral("x"));
        QCOMPARE(db->dbInt(), -7);
        QVERIFY(db->dbStr().has_value()); // the empty text is a value, not none
        QVERIFY(db->isIncludeStatusBar());
        QCOMPARE(db->debugLog(), QStringLiteral("x"));
        db->setDbStr(std::nullopt);
        QVERIFY(!db->dbStr());
    }
};

QTEST_GUILESS_MAIN(TestDebug)
#include "tst_debug.moc"
