#include "Mac_media.h"
#include "Platform.h"
#include "SinkRecording.h"
#include "SpeechSynthesizer.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

/** Speech through the real synthesizer into a PulseAudio null sink, recorded from its monitor. */
class TestSpeechAudio : public QObject
{
    Q_OBJECT

    Mac_media* media = nullptr;
    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER") || qEnvironmentVariableIsEmpty("CARROWEN_SINK")) {
            QSKIP("needs a PulseAudio null sink: PULSE_SERVER and CARROWEN_SINK unset "
                  "(tools/with-session.sh starts one)");
        }
        for (const char* tool : {"parecord", "sox"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
                QSKIP("needs parecord (pulseaudio-utils) and sox");
            }
        }
        Platform::installBackends(Platform::Backends::Linux);
        media = Mac_media::sharedEngineInstance();
    }

    void anAnnouncementReachesTheSink()
    {
        const QString file = dir.filePath(QStringLiteral("announcement.wav"));
        SinkRecording recording(file);
        QVERIFY(recording.started());
        QTest::qWait(500); // let the recorder connect before anything plays
        QSignalSpy ends(media->speechSynth().get(), &SpeechSynthesizer::didFinishSpeaking);
        media->ttsAddToQueue(QStringLiteral("Internet connection is up"));
        QVERIFY(ends.wait(15000));
        QCOMPARE(ends.at(0).at(0).toBool(), true);
        QTest::qWait(300);
        recording.stop();
        const double rms = sox::stat(file, QStringLiteral("RMS     amplitude"));
        qInfo() << "RMS of the recorded announcement:" << rms;
        QVERIFY2(rms > 0.01, qPrintable(QStringLiteral("RMS %1 is not clearly above silence").arg(rms)));
        QTRY_COMPARE(media->tts_state(), 0);
    }

    void queuedSentencesPlayInOrderOneAtATime()
    {
        const QString file = dir.filePath(QStringLiteral("three.wav"));
        SinkRecording recording(file);
        QVERIFY(recording.started());
        QTest::qWait(500);
        SpeechSynthesizer* synth = media->speechSynth().get();
        // What the synthesizer reports, in order: the sentence of each word, and the ends.
        QStringList events;
        connect(synth, &SpeechSynthesizer::willSpeakWord, this, [&events](qsizetype, qsizetype, const QString& text) {
            if (events.isEmpty() || events.back() != text) {
                events.append(text);
            }
        });
        connect(synth, &SpeechSynthesizer::didFinishSpeaking, this,
                [&events](bool) { events.append(QStringLiteral("end")); });
        const QStringList sentences{QStringLiteral("Hello"), QStringLiteral("The host is reachable"),
                                    QStringLiteral("The connection to the Internet was lost a moment ago, "
                                                   "and it is being checked again every five seconds")};
        for (const QString& s : sentences) {
            media->ttsAddToQueue(s);
        }
        QTRY_COMPARE_WITH_TIMEOUT(events.size(), 6, 30000);
        QTest::qWait(300);
        recording.stop();
        disconnect(synth, nullptr, this, nullptr);
        QCOMPARE(events, (QStringList{sentences[0], QStringLiteral("end"), sentences[1], QStringLiteral("end"),
                                      sentences[2], QStringLiteral("end")}));
        // Three separate stretches of sound, as long as their sentences: so in that order, no overlap.
        const auto stretches = sox::stretches(file, 300);
        qInfo() << "sound stretches (start, length in ms):" << stretches;
        QCOMPARE(stretches.size(), 3);
        QVERIFY(stretches[0].second < stretches[1].second);
        QVERIFY(stretches[1].second < stretches[2].second);
    }
};

QTEST_GUILESS_MAIN(TestSpeechAudio)
#include "tst_speech_audio.moc"
