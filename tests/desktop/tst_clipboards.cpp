#include "ClipboardController.h"
#include "NotificationCenter.h"
#include "Platform.h"
#include "TraceRecorder.h"
#include "null/MemoryPasteboard.h"

#include <QTest>

#include <climits>

using namespace Qt::StringLiterals;

/** Named clipboards driven tick by tick against an in-memory desktop clipboard. */
class TestClipboards : public QObject
{
    Q_OBJECT

    std::shared_ptr<MemoryPasteboard> m_board;
    QStringList m_posted;
    NotificationCenter::Token m_token = 0;

private slots:
    void init()
    {
        m_board = std::make_shared<MemoryPasteboard>();
        Platform::setPasteboard(m_board);
        m_posted.clear();
        m_token = NotificationCenter::defaultCenter().addObserver(
            u"clipboardController"_s, [this](const Notification& n) { m_posted << n.object.toString(); });
    }
    void cleanup() { NotificationCenter::defaultCenter().removeObserver(m_token); }

    void commandsRunWhenTheirCountdownEnds()
    {
        ClipboardController c;
        c.setRunTimerActive(false); // ticks come from the test alone
        c.clipboardNew(u"a"_s);
        c.clipboardNew(u"a"_s);
        c.clipboardAddNameCmdContents(u"v1"_s, u"v"_s, u"hello"_s);
        c.clipboardAddNameCmdContents(u"up"_s, u"V"_s, u"UP"_s);
        c.clipboardAddNameCmdContents(u"x1"_s, u"x"_s, u"old"_s);
        c.clipboardAddNameCmdContents(u"none"_s, QString(), u"keep"_s);
        QCOMPARE(c.clipboards().size(), 5);
        QCOMPARE(c.clipboardGetContentsAtIndex(1)->countdown(), 3);
        QCOMPARE(c.clipboardGetContentsAtIndex(2)->countdown(), 0); // upper-case "V" has no delay...
        m_board->setString(u"board"_s);

        c.gameLoop(); // paused: nothing at all
        QCOMPARE(c.tick(), 0u);
        QVERIFY(m_posted.isEmpty());
        c.setRunTimerActive(true);
        c.gameLoop();
        QCOMPARE(m_board->string(), u"UP"_s); // ...but acts as "v"; "x1" then takes what it put there
        QCOMPARE(c.clipboardReadContents(u"x1"_s), u"UP"_s);
        QCOMPARE(c.clipboardReadContents(u"none"_s), u"keep"_s);
        QCOMPARE(m_posted, QStringList({u"countdown finished:"_s, u"countdown finished:UP"_s,
                                        u"countdown finished:old"_s, u"countdown finished:keep"_s}));
        c.gameLoop();
        c.gameLoop();
        QCOMPARE(m_board->string(), u"UP"_s);
        c.gameLoop(); // the fourth tick after it was added
        QCOMPARE(m_board->string(), u"hello"_s);
        QCOMPARE(m_posted.size(), 5);
        c.gameLoop();
        QCOMPARE(m_posted.size(), 5);
        for (const auto& clipboard : c.clipboards()) {
            QCOMPARE(clipboard->countdown(), -1);
        }

        // An "x" that finds no text leaves the clipboard without contents.
        Platform::setPasteboard(std::make_shared<MemoryPasteboard>());
        c.clipboardGetContentsAtIndex(3)->setCountdown(0);
        c.gameLoop();
        QCOMPARE(c.clipboardReadContents(u"x1"_s), std::nullopt);
        QVERIFY(c.clipboardDebug().contains(u"name:x1 i:3 cmd:x cd:-1 txt:|(null)|\n"_s));
    }

    void stateReport()
    {
        ClipboardController c;
        c.setRunTimerActive(false);
        c.setTick(1500);
        c.clipboardNew(u"one"_s);
        QCOMPARE(c.clipboardDebug(),
                 u"Clipboards:  Time:01:02 tick:1500 Clipboard:1\n\nname:one i:0 cmd: cd:0 txt:||\n "_s);
        c.clipboardAddNameCmdContents(u"two"_s, u"v"_s, u"2"_s);
        c.clipboardAddNameCmdContents(u"three"_s, u"c"_s, u"3"_s);
        QCOMPARE(c.clipboardDebug(), u"Clipboards:  Time:01:02 tick:1500 Clipboards:3\n\n"
                                     "name:three i:2 cmd:c cd:0 txt:|3|\nname:two i:1 cmd:v cd:3 txt:|2|\n"
                                     "name:one i:0 cmd: cd:0 txt:||\n "_s);
    }

    void namesAndIndicesOutOfRange()
    {
        ClipboardController c;
        c.setRunTimerActive(false);
        TraceRecorder traces;
        c.clipboardNew(u"a"_s);
        for (int index : {-1, 1, INT_MIN, INT_MAX}) {
            QVERIFY(!c.clipboardIndexSetContents(index, u"t"_s));
            QCOMPARE(c.clipboardReadContentsFromIndex(index), QString());
            QCOMPARE(c.clipboardFromIndex(index), QString());
            QVERIFY(!c.clipboardGetContentsAtIndex(index));
        }
        QCOMPARE(traces.count(u"failed: atIndex:-2147483648 count:1"_s), 1);
        QCOMPARE(traces.count(u"failed: atIndex:"_s), 4);
        QCOMPARE(c.clipboardExists(u"A"_s), -1); // names are case-sensitive
        QVERIFY(!c.clipboardNameSetContents(u"A"_s, u"t"_s));
        QCOMPARE(c.clipboardReadContents(u"A"_s), QString());
        QVERIFY(!c.clipboardDelete(u"A"_s));
        QVERIFY(!c.clipboardAdd(nullptr));
        QVERIFY(!c.clipboardAddNameCmdContents(u"a"_s, u"x"_s, u"new"_s)); // replaced in place
        QCOMPARE(c.clipboardReadContentsFromIndex(0), u"new"_s);
        QVERIFY(c.clipboardDelete(u"a"_s));
        QVERIFY(c.clipboards().isEmpty());
        QCOMPARE(c.getDelayFromCmd(QString()), 0);
    }

    void timerTicks()
    {
        ClipboardController c;
        QTRY_VERIFY_WITH_TIMEOUT(c.tick() >= 3, 5000);
    }
};

QTEST_MAIN(TestClipboards)
#include "tst_clipboards.moc"
