#include "DebugPanel.h"

#include "Debug.h"
#include "Mac_objects.h"
#include "ManualClock.h"
#include "NotificationCenter.h"
#include "TestHome.h"
#include "Trace.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <fcntl.h>
#include <thread>
#include <unistd.h>

// The panel driven as a host drives it: trace lines in, systemTick() once per tick, controls pressed.
using namespace Qt::StringLiterals;

class TestDebugPanel : public QObject
{
    Q_OBJECT
    ManualClock clock;

    static QColor background(QLabel* label) { return label->palette().color(QPalette::Window); }
    static void ticks(DebugPanel& p, int n)
    {
        for (int i = 0; i < n; ++i)
            p.systemTick();
    }
    static void save(DebugPanel& p, ManualClock& c)
    {
        p.saveLog();
        c.advance(1.0); // log names carry the second
    }

private slots:
    void commandsAndTheirResults()
    {
        DebugPanel p;
        QStringList posted;
        const auto token = NotificationCenter::defaultCenter().addObserver(
            QStringLiteral("DebugPanel"), [&posted](const Notification& n) { posted << n.object.toString(); });

        p.updateTxt(QStringLiteral("first\n"));
        p.updateTxt(QStringLiteral("word!not a command\n"));
        for (const char* hostile : {"s99!x", "flag-1!x", "!!!!", "btn10", "s05!x", "txt4!x", ""})
            p.updateTxt(QString::fromLatin1(hostile));
        QCOMPARE(p.fullOutStr(), QStringLiteral("txt4!xs05!xbtn10!!!!flag-1!xs99!xword!not a command\nfirst\n"));
        QCOMPARE(p.txtMain()->toPlainText(), QString()); // the view follows on the next tick, all at once
        p.systemTick();
        QCOMPARE(p.txtMain()->toPlainText(), p.fullOutStr());

        p.updateTxt(QStringLiteral("clr"));
        p.updateTxt(QStringLiteral("nl!2"));
        QCOMPARE(p.fullOutStr(), QStringLiteral("\n\n\n"));
        for (const char* cmd : {"clear", "nl!-7", "nl!999999999", "nl!x", "/", "*", "//"})
            p.updateTxt(QString::fromLatin1(cmd));
        QCOMPARE(p.fullOutStr(), QString(97, u'/') + u'\n' + QString(46, u'*') + u'\n' + QString(46, u'/') + u'\n' +
                                     u'\n' + QString(101, u'\n') + u'\n');

        p.updateTxt(QStringLiteral("txt2!a!b\n"));
        QCOMPARE(p.txt(2)->toPlainText(), QStringLiteral("a!b"));
        p.updateTxt(QStringLiteral("txt2"));
        QCOMPARE(p.txt(2)->toPlainText(), QString());

        p.updateTxt(QStringLiteral("btn3"));
        QCOMPARE(posted, QStringList{QStringLiteral("btn3")});
        p.updateTxt(QStringLiteral("btn3!Go"));
        p.updateTxt(QStringLiteral("btn9!End"));
        QCOMPARE(posted.size(), 1);
        QCOMPARE(p.btn(3)->text(), QStringLiteral("Go"));
        QCOMPARE(p.btn(3)->palette().color(QPalette::ButtonText), p.colours().red);
        QCOMPARE(p.btn(9)->palette().color(QPalette::ButtonText), p.colours().white);
        QTest::mouseClick(p.btn(7), Qt::LeftButton);
        QCOMPARE(posted.last(), QStringLiteral("btn7"));
        NotificationCenter::defaultCenter().removeObserver(token);

        // Trace lines reach the panel through the "Debug" notification while forwarding is on.
        Debug::sharedEngineInstance()->notify(true);
        TRACE_MSG("txt1!%d", 42);
        TRACE("shown");
        Debug::sharedEngineInstance()->notify(false);
        QCOMPARE(p.txt(1)->toPlainText(), QStringLiteral("42"));
        QVERIFY(p.fullOutStr().startsWith(QStringLiteral("tst_debugpanel.cpp, commandsAndTheirResults, line:")));
    }

    void highlightsFlashingAndLamp()
    {
        DebugPanel p;
        Mac_objects* obj = Mac_objects::sharedEngineInstance();
        p.updateTxt(QStringLiteral("s5!hot"));
        QCOMPARE(p.lblStatus(5)->text(), QStringLiteral("hot"));
        QCOMPARE(background(p.lblStatus(5)), obj->changeColorBrightness(p.colours().green, 0.2F));
        p.updateTxt(QStringLiteral("s0!x"));
        QCOMPARE(background(p.lblStatus(0)), obj->changeColorBrightness(p.colours().red, 0.3F));
        ticks(p, 46);
        QCOMPARE(background(p.lblStatus(5)), obj->changeColorBrightness(p.colours().green, 0.2F));
        p.systemTick();
        QCOMPARE(background(p.lblStatus(5)), obj->changeColorBrightness(p.colours().black, 0.4F));

        // A steady stream blinks the lamp; a quiet tick turns it off.
        QStringList lamp;
        for (int i = 0; i < 4; ++i) {
            p.updateTxt(QStringLiteral("x"));
            p.systemTick();
            lamp << p.ledImage();
        }
        p.systemTick();
        lamp << p.ledImage();
        QCOMPARE(lamp, (QStringList{u"greenLed.png"_s, u"blackLed.png"_s, u"greenLed.png"_s, u"blackLed.png"_s,
                                    u"blackLed.png"_s}));

        p.updateTxt(QStringLiteral("flag4!ok"));
        QVERIFY(p.confirm(4)->isVisibleTo(p.window_debug()) && p.back(4)->isVisibleTo(p.window_debug()));
        while (p.confirm(4)->text() != QStringLiteral("ok"))
            p.systemTick();
        QCOMPARE(p.num12() % 10, 0);
        QCOMPARE(p.confirm(4)->palette().color(QPalette::ButtonText), p.colours().yellow);
        int shown = 0;
        while (p.confirm(4)->text() == QStringLiteral("ok")) {
            p.systemTick();
            ++shown;
        }
        int blank = 0;
        while (p.confirm(4)->text() != QStringLiteral("ok")) {
            p.systemTick();
            ++blank;
        }
        QCOMPARE(shown, 28);
        QCOMPARE(blank, 12);
        QTest::mouseClick(p.confirm(4), Qt::LeftButton);
        QVERIFY(!p.confirm(4)->isVisibleTo(p.window_debug()) && !p.back(4)->isVisibleTo(p.window_debug()));
        QCOMPARE(p.confirmStr(4), QString());

        // flag0 to flag2 show at the very next flash step.
        ticks(p, 1);
        p.updateTxt(QStringLiteral("flag1!now"));
        while (p.gameTick() % 4 != 3)
            p.systemTick();
        p.systemTick();
        QCOMPARE(p.confirm(1)->text(), QStringLiteral("now"));
    }

    void pausingDropsEverythingAndBlinks()
    {
        DebugPanel p;
        p.updateTxt(QStringLiteral("pause"));
        QVERIFY(p.isPauseUpdates());
        p.updateTxt(QStringLiteral("dropped"));
        p.updateTxt(QStringLiteral("pause")); // commands too
        p.updateTxt(QStringLiteral("s1!x"));
        QVERIFY(p.isPauseUpdates());
        QCOMPARE(p.lblStatus(1)->text(), QStringLiteral("s1"));
        QCOMPARE(p.fullOutStr(), QString());

        int pausedTitles = 0;
        int redLamps = 0;
        for (int i = 0; i < 48; ++i) {
            p.systemTick();
            pausedTitles += p.pauseBtn()->text() == QStringLiteral("Paused");
            redLamps += p.ledImage() == QStringLiteral("redLed.png");
        }
        QCOMPARE(pausedTitles, 38);
        QCOMPARE(redLamps, 36);
        QTest::mouseClick(p.pauseBtn(), Qt::LeftButton);
        QCOMPARE(p.pauseBtn()->text(), QStringLiteral("Updating"));
        p.updateTxt(QStringLiteral("back"));
        QCOMPARE(p.fullOutStr(), QStringLiteral("back"));
    }

    void fontSteps()
    {
        DebugPanel p;
        QCOMPARE(p.txt(3)->toPlainText(), QStringLiteral("Font Size: 12"));
        ticks(p, 20);
        p.fontBigger();
        QCOMPARE(p.fontSize(), 13);
        p.fontBigger(); // within 8 ticks of the last change: bigger steps
        QCOMPARE(p.fontSize(), 15);
        QCOMPARE(p.txtMain()->font().pointSize(), 15);

        p.setFontSizeValue(3);
        p.fontSmaller();
        QCOMPARE(p.fontSize(), 1);
        p.fontSmaller(); // quickly again at 1 would give -1: stays 1
        QCOMPARE(p.fontSize(), 1);
        ticks(p, 8);
        p.fontSmaller(); // slowly at 1 gives 0, which becomes 2
        QCOMPARE(p.fontSize(), 2);
        QCOMPARE(p.txt(3)->toPlainText(), QStringLiteral("Font Size: 02"));
    }

    void logsOnDisk()
    {
        TestHome home;
        const QString docs = home.documents();
        DebugPanel p;
        p.updateTxt(QStringLiteral("viewLogs"));
        QCOMPARE(p.viewLogBtn()->text(), QStringLiteral("No logs"));

        p.updateTxt(QStringLiteral("older line\n"));
        p.updateTxt(QStringLiteral("newest line\n"));
        p.updateTxt(QStringLiteral("txt0!zero"));
        p.updateTxt(QStringLiteral("txt1!one"));
        p.updateTxt(QStringLiteral("s7!seven"));
        p.updateTxt(QStringLiteral("flag0!first"));
        p.updateTxt(QStringLiteral("flag6!last"));
        save(p, clock);
        QCOMPARE(p.viewLogBtn()->text(), QStringLiteral("1 Log"));
        QVERIFY(p.fullOutStr().startsWith(QStringLiteral("Logged Data to: 261205_090503.log\n")));
        save(p, clock);
        save(p, clock);
        QCOMPARE(p.viewLogBtn()->text(), QStringLiteral("3 Logs"));

        QStringList counts;
        for (int i = 0; i < 4; ++i) {
            p.viewLogs();
            counts << p.viewLogBtn()->text();
        }
        QCOMPARE(counts, (QStringList{u"Log:1 of 3"_s, u"Log:2 of 3"_s, u"Log:3 of 3"_s, u"Log:1 of 3"_s}));
        // The first log read back into its five sections.
        QVERIFY(p.isPauseUpdates());
        QCOMPARE(p.fullOutStr(), QStringLiteral("Listing of:261205_090503.log\n\nnewest line\nolder line\n"));
        QCOMPARE(p.txt(0)->toPlainText(), QStringLiteral("zero"));
        QVERIFY(p.txt(1)->toPlainText().startsWith(QStringLiteral("one")));
        QCOMPARE(p.lblStatus(7)->text(), QStringLiteral("seven"));
        QCOMPARE(p.lblStatus(31)->text(), QStringLiteral("s31"));
        QCOMPARE(p.confirmStr(0), QStringLiteral("first"));
        QCOMPARE(p.confirmStr(6), QStringLiteral("last"));
        QVERIFY(p.confirmActive(6) && !p.confirmActive(3));
        QCOMPARE(p.confirm(6)->text(), QStringLiteral("last"));

        // Foreign files, short and binary logs.
        QFile notes(docs + QStringLiteral("/notes.log"));
        QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("mine") == 4);
        notes.close();
        QVERIFY(QDir(docs).mkdir(QStringLiteral("270101_000000.log")));
        QFile shortLog(docs + QStringLiteral("/200101_000000.log"));
        QVERIFY(shortLog.open(QIODevice::WriteOnly) && shortLog.write("just text") > 0);
        shortLog.close();
        QFile binary(docs + QStringLiteral("/200101_000001.log"));
        QVERIFY(binary.open(QIODevice::WriteOnly) && binary.write(QByteArray("\x00\xff\xfe", 3)) == 3);
        binary.close();
        p.viewLogs();
        QCOMPARE(p.viewLogBtn()->text(), QStringLiteral("Log:2 of 5"));
        QVERIFY(p.fullOutStr().contains(QStringLiteral("not a readable log")));
        for (int i = 0; i < 4; ++i)
            p.viewLogs();
        QCOMPARE(p.viewLogBtn()->text(), QStringLiteral("Log:1 of 5"));
        QCOMPARE(p.fullOutStr(), QStringLiteral("Listing of:200101_000000.log\n\njust text"));
        QCOMPARE(p.lblStatus(0)->text(), QStringLiteral("s0"));

        p.pauseBtnAction();
        p.updateTxt(QStringLiteral("deleteLogs"));
        QVERIFY(p.fullOutStr().startsWith(QStringLiteral("Deleted 5 logs\n")));
        QCOMPARE(p.viewLogBtn()->text(), QStringLiteral("No Logs"));
        QCOMPARE(QDir(docs).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 (QStringList{u"270101_000000.log"_s, u"notes.log"_s}));

        // No documents directory can be made: the save says so instead of claiming success.
        QVERIFY(QDir(docs).removeRecursively());
        QFile blocker(docs);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        p.clrBtn();
        p.saveLog();
        QVERIFY(p.fullOutStr().startsWith(QStringLiteral("Could not save the log")));
        QVERIFY(!p.fullOutStr().contains(QStringLiteral("Logged Data")));
    }

    void mainTextStaysBounded()
    {
        DebugPanel p;
        p.updateTxt(QStringLiteral("old\n"));
        p.systemTick();
        p.updateTxt(QString(10 * 1024 * 1024, u'!'));
        p.updateTxt(QStringLiteral("newest\n"));
        p.systemTick();
        // Cut at a line end within the last line's length of the cap.
        QVERIFY(p.fullOutStr().size() <= DebugPanel::MaxMainText);
        QVERIFY(p.fullOutStr().size() > DebugPanel::MaxMainText - DebugPanel::MaxLineLength - 1);
        QVERIFY(p.fullOutStr().startsWith(QStringLiteral("newest\n!!!")));
        QCOMPARE(p.txtMain()->toPlainText(), p.fullOutStr());
        for (int i = 0; i < 2000; ++i)
            p.updateTxt(QString(1000, QChar(u'\x01' + i % 30)) + u'\n');
        p.systemTick();
        QVERIFY(p.fullOutStr().size() <= DebugPanel::MaxMainText);
        QCOMPARE(p.txtMain()->document()->characterCount() - 1, p.fullOutStr().size());
    }

    void tracesFromFourThreads()
    {
        DebugPanel p;
        constexpr int Threads = 4;
        constexpr int Lines = 2500;
        Debug::sharedEngineInstance()->notify(true);
        // The lines also go to standard error: not into the test's output.
        const int savedErr = ::dup(STDERR_FILENO);
        const int devNull = ::open("/dev/null", O_WRONLY);
        ::dup2(devNull, STDERR_FILENO);
        std::vector<std::thread> threads;
        std::atomic<int> done{0};
        for (int t = 0; t < Threads; ++t) {
            threads.emplace_back([t, &done] {
                for (int i = 0; i < Lines; ++i)
                    traceMessage("T%d:%d", t, i);
                ++done;
            });
        }
        while (done.load() < Threads) {
            QCoreApplication::processEvents();
            p.systemTick();
        }
        for (auto& th : threads)
            th.join();
        for (int i = 0; i < 20; ++i) {
            QCoreApplication::processEvents();
            p.systemTick();
        }
        ::dup2(savedErr, STDERR_FILENO);
        ::close(savedErr);
        ::close(devNull);
        Debug::sharedEngineInstance()->notify(false);

        QStringList lines = p.fullOutStr().split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), Threads * Lines);
        QCOMPARE(p.txtMain()->toPlainText(), p.fullOutStr());
        std::reverse(lines.begin(), lines.end()); // oldest first
        int next[Threads] = {};
        for (const QString& line : lines) {
            const int t = line.mid(1, 1).toInt();
            QCOMPARE(line, QStringLiteral("T%1:%2").arg(t).arg(next[t]));
            ++next[t];
        }
    }
};

QTEST_MAIN(TestDebugPanel)
#include "tst_debugpanel.moc"
