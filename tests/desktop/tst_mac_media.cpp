#include "FakeSpeechSynthesizer.h"
#include "Mac_media.h"
#include "NotificationCenter.h"
#include "Platform.h"
#include "Trace.h"
#include "TraceRecorder.h"

#include <QTest>
#include <QTimer>

#include <memory>

namespace {

QStringList texts(std::initializer_list<const char*> list)
{
    QStringList out;
    for (const char* s : list) {
        out << QString::fromUtf8(s);
    }
    return out;
}
} // namespace

class TestMacMedia : public QObject
{
    Q_OBJECT

    Mac_media* media = nullptr;
    std::shared_ptr<FakeSpeechSynthesizer> synth;

    // The synthesizer reports the end, and the grace timer brings the state back to 0.
    void endAndWaitForIdle()
    {
        synth->finishUtterance();
        QCOMPARE(media->tts_state(), 3);
        QTRY_COMPARE(media->tts_state(), 0);
    }

private slots:
    void initTestCase()
    {
        Platform::installNullBackends();
        media = Mac_media::sharedEngineInstance();
        QVERIFY(media);
        QCOMPARE(Mac_media::alloc(), nullptr);
        // As created: idle, defaults, the poll running (checked here, before init() stops it).
        QCOMPARE(media->tts_state(), 0);
        QCOMPARE(media->speakVolume(), 1.0F);
        QCOMPARE(media->speakRate(), 0.2F);
        QVERIFY(media->ttsQueue().isEmpty());
        QVERIFY(media->speechSynth());
        QVERIFY(media->ttsQueueTimer()->isActive());
        QVERIFY(!media->ttsQueueTimer()->isSingleShot());
        QCOMPARE(media->ttsQueueTimer()->interval(), 2000);
    }

    void init()
    {
        synth = std::make_shared<FakeSpeechSynthesizer>();
        media->setSpeechSynth(synth);
        // The tests drive the poll by hand.
        media->ttsQueueTimer()->stop();
        media->setTtsQueue({});
        media->setTts_state(0);
        media->speak_volumeRate(1.0F, 0.2F);
    }

    void cleanup()
    {
        // Let pending grace timers and end reports run out before the next test.
        QTRY_VERIFY(!media->ttsTimeout() || !media->ttsTimeout()->isActive());
        QCoreApplication::processEvents();
    }

    void cleanupTestCase()
    {
        media->ttsQueueTimer()->setInterval(Mac_media::PollIntervalMs);
        media->ttsQueueTimer()->start();
    }

    void oneAtATimeInOrder()
    {
        // Appending returns at once, also for the empty sentence of dbtts.
        media->ttsAddToQueue(QStringLiteral("first"));
        media->dbtts(QString());
        QCOMPARE(media->ttsQueue(), (QStringList{QStringLiteral("first"), QString()}));
        QVERIFY(synth->spoken().isEmpty());
        media->setTtsQueue(texts({"first", "second", "third"}));
        media->ttsProcessQueue();
        QCOMPARE(synth->spoken(), texts({"first"}));
        QCOMPARE(media->tts_state(), 1);
        QCOMPARE(media->ttsQueue(), texts({"second", "third"}));

        // Nothing new starts while the sentence is started, spoken, or in its grace delay.
        media->ttsProcessQueue();
        synth->speakWord();
        QCOMPARE(media->tts_state(), 2);
        media->ttsProcessQueue();
        synth->finishUtterance();
        QCOMPARE(media->tts_state(), 3);
        media->ttsProcessQueue();
        QCOMPARE(synth->spoken(), texts({"first"}));
        QVERIFY(media->ttsTimeout());
        QCOMPARE(media->ttsTimeout()->interval(), 50);
        QTRY_COMPARE(media->tts_state(), 0);

        media->ttsProcessQueue();
        QCOMPARE(synth->spoken(), texts({"first", "second"}));
        endAndWaitForIdle();
        media->ttsProcessQueue();
        QCOMPARE(synth->spoken(), texts({"first", "second", "third"}));
        QVERIFY(media->ttsQueue().isEmpty());
        endAndWaitForIdle();

        // An empty queue with state 0 makes every poll return without effect.
        media->ttsProcessQueue();
        QCOMPARE(synth->spoken().size(), 3);
        QCOMPARE(media->tts_state(), 0);
    }

    void emptySentenceCostsOnePoll()
    {
        media->ttsAddToQueue(QStringLiteral("a"));
        media->ttsAddToQueue(QString());
        media->ttsAddToQueue(QStringLiteral("b"));
        media->ttsProcessQueue();
        endAndWaitForIdle();
        media->ttsProcessQueue();
        QCOMPARE(synth->spoken(), texts({"a"}));
        QCOMPARE(media->ttsQueue(), texts({"b"}));
        QCOMPARE(media->tts_state(), 0);
        media->ttsProcessQueue();
        QCOMPARE(synth->spoken(), texts({"a", "b"}));
    }

    void queueIsCappedDroppingTheOldest()
    {
        TraceRecorder traces;
        for (int i = 0; i < 105; ++i) {
            media->ttsAddToQueue(QStringLiteral("s%1").arg(i));
        }
        const QStringList queue = media->ttsQueue();
        QCOMPARE(queue.size(), 100);
        QCOMPARE(queue.front(), QStringLiteral("s5"));
        QCOMPARE(queue.back(), QStringLiteral("s104"));
        QCOMPARE(traces.lines().size(), 5);
        QVERIFY(traces.lines().front().contains(QStringLiteral("s0")));

        QStringList many;
        for (int i = 0; i < 150; ++i) {
            many << QString::number(i);
        }
        media->setTtsQueue(many);
        QCOMPARE(media->ttsQueue().size(), 100);
        QCOMPARE(media->ttsQueue().front(), QStringLiteral("50"));
        QCOMPARE(traces.lines().size(), 5 + 50);
    }

    void startRules()
    {
        // A sentence starts when idle or when forced; an empty one never starts. The queue is untouched.
        const struct
        {
            int state;
            bool force;
            const char* sentence;
            int stateAfter; // 1 when it started
        } cases[] = {{0, false, "x", 1}, {1, false, "x", 1}, {2, false, "x", 2}, {3, false, "x", 3},
                     {2, true, "x", 1},  {3, true, "x", 1},  {2, true, "", 2},   {0, false, "", 0}};
        for (const auto& c : cases) {
            init();
            media->ttsAddToQueue(QStringLiteral("queued"));
            media->setTts_state(c.state);
            media->ttsSpeakForceSpeak(QString::fromUtf8(c.sentence), c.force);
            const bool started = c.stateAfter == 1 && c.state != 1;
            QCOMPARE(synth->spoken().size(), started ? 1 : 0);
            QCOMPARE(media->tts_state(), c.stateAfter);
            QCOMPARE(media->ttsQueue(), texts({"queued"}));
            synth->finishUtterance();
            cleanup();
        }
    }

    void volumeAndRateTakeEffectAtTheNextStart()
    {
        media->ttsAddToQueue(QStringLiteral("one"));
        media->ttsAddToQueue(QStringLiteral("two"));
        media->ttsProcessQueue();
        media->speak_volumeRate(0.5F, 0.3F);
        endAndWaitForIdle();
        media->ttsProcessQueue();
        const auto starts = synth->starts();
        QCOMPARE(starts.size(), 2);
        QCOMPARE(starts[0].volume, 1.0F);
        QCOMPARE(starts[0].rate, 0.2F);
        QCOMPARE(starts[1].volume, 0.5F);
        QCOMPARE(starts[1].rate, 0.3F);
    }

    void stopKeepsTheQueueAndTheEndStillComes()
    {
        media->ttsAddToQueue(QStringLiteral("one"));
        media->ttsAddToQueue(QStringLiteral("two"));
        media->ttsProcessQueue();
        synth->speakWord();
        media->ttsStop();
        QCOMPARE(synth->stopCount(), 1);
        QCOMPARE(media->ttsQueue(), texts({"two"}));
        QCOMPARE(media->tts_state(), 2); // the end report comes later, through the event loop
        QTRY_COMPARE(media->tts_state(), 0);
        media->ttsProcessQueue();
        QCOMPARE(synth->spoken(), texts({"one", "two"}));
    }

    void forcedStartOverAnUtterance()
    {
        media->ttsAddToQueue(QStringLiteral("queued"));
        media->ttsProcessQueue();
        synth->speakWord();
        media->ttsSpeakForceSpeak(QStringLiteral("urgent"), true);
        QCOMPARE(media->tts_state(), 1);
        // The cut-short utterance reports its end; the grace timer then idles the queue although the
        // forced sentence is still being spoken, and its next word sets the state back to 2.
        QTRY_COMPARE(media->tts_state(), 0);
        synth->speakWord();
        QCOMPARE(media->tts_state(), 2);
        QCOMPARE(synth->spoken(), texts({"queued", "urgent"}));
    }

    void thePollTimerDrivesTheQueue()
    {
        media->ttsQueueTimer()->setInterval(10);
        media->ttsQueueTimer()->start();
        for (const char* s : {"up", "down", "up again"}) {
            media->ttsAddToQueue(QString::fromUtf8(s));
        }
        for (int n = 1; n <= 3; ++n) {
            QTRY_COMPARE(synth->spoken().size(), n);
            QVERIFY(synth->isSpeaking());
            synth->finishUtterance();
        }
        QCOMPARE(synth->spoken(), texts({"up", "down", "up again"}));
        QTRY_COMPARE(media->tts_state(), 0);
        media->ttsQueueTimer()->stop();
    }
};

QTEST_GUILESS_MAIN(TestMacMedia)
#include "tst_mac_media.moc"
