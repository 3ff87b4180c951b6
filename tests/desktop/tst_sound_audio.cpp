#include "AudioOutput.h"
#include "AudioPlayer.h"
#include "Mac_media.h"
#include "Media.h"
#include "NotificationCounter.h"
#include "Platform.h"
#include "Resources.h"
#include "SinkRecording.h"
#include "TestHome.h"
#include "TraceRecorder.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>

namespace {

QString sink()
{
    return qEnvironmentVariable("CARROWEN_SINK");
}

bool run(const QString& program, const QStringList& arguments)
{
    return QProcess::execute(program, arguments) == 0;
}

// A 440 Hz sine at amplitude 0.5 (-6 dBFS), followed by silence, made by sox.
bool makeTone(const QString& path, double seconds, double silence = 0.0)
{
    return run(QStringLiteral("sox"),
               {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("22050"), QStringLiteral("-c"),
                QStringLiteral("1"), QStringLiteral("-b"), QStringLiteral("16"), path, QStringLiteral("synth"),
                QString::number(seconds), QStringLiteral("sine"), QStringLiteral("440"), QStringLiteral("vol"),
                QStringLiteral("0.5"), QStringLiteral("pad"), QStringLiteral("0"), QString::number(silence)});
}

double db(double ratio)
{
    return 20.0 * std::log10(ratio);
}

// RMS amplitude of lengthMs of the recording's first sound, from offsetMs into it (negative: from its
// end); -1 when the recording holds no sound. Silence around the sound depends on timing: left out.
double soundRms(const QString& file, int offsetMs, int lengthMs)
{
    const auto runs = sox::stretches(file);
    if (runs.isEmpty()) {
        return -1.0;
    }
    const int from = runs[0].first + (offsetMs < 0 ? runs[0].second + offsetMs : offsetMs);
    return sox::stat(file, QStringLiteral("RMS     amplitude"),
                     {QStringLiteral("trim"), QString::number(from / 1000.0), QString::number(lengthMs / 1000.0)});
}

struct ExitCounter : NotificationCounter
{
    ExitCounter() : NotificationCounter(QStringLiteral("IOSMedia"), QStringLiteral("ipod_exit")) {}
};

} // namespace

/** The players, the sentence queue and the recorder against a real PulseAudio null sink. */
class TestSoundAudio : public QObject
{
    Q_OBJECT

    Media* media = nullptr;
    Mac_media* mac = nullptr;
    std::unique_ptr<TestHome> home;
    QTemporaryDir dir;

    // Records the sink while action runs and then for waitMs; answers the recording.
    QString recordWhile(const QString& name, const std::function<void()>& action, int waitMs,
                        const QString& device = sink())
    {
        const QString file = dir.filePath(name + QStringLiteral(".wav"));
        SinkRecording recording(file, device);
        if (!recording.started()) {
            return {};
        }
        QTest::qWait(400); // the recorder connects before anything plays
        action();
        QTest::qWait(waitMs);
        recording.stop();
        return file;
    }

    // Plays a document on the full player and waits for its end.
    void playDocument(const QString& name, const std::function<void()>& setUp = {})
    {
        ExitCounter exits;
        media->av_addFileFileType(name, 1);
        if (setUp) {
            setUp();
        }
        media->av_play();
        QTRY_COMPARE_WITH_TIMEOUT(exits.count, 1, 10000);
    }

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER") || sink().isEmpty()) {
            QSKIP("needs a PulseAudio null sink: PULSE_SERVER and CARROWEN_SINK unset "
                  "(tools/with-session.sh starts one)");
        }
        for (const char* tool : {"parecord", "paplay", "pactl", "sox"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
                QSKIP("needs parecord, paplay, pactl (pulseaudio-utils) and sox");
            }
        }
        Platform::installBackends(Platform::Backends::Linux);
        home = std::make_unique<TestHome>();
        media = Media::sharedEngineInstance();
        mac = Mac_media::sharedEngineInstance();
        media->setPlayerType(1);
        QVERIFY(makeTone(home->documents() + QStringLiteral("/tone.wav"), 1.0));
        QVERIFY(makeTone(home->documents() + QStringLiteral("/blip.wav"), 0.2, 0.3));
    }

    void systemSoundAndFileReachTheSink()
    {
        // A null sink that has just started can run behind by more than a second: record long enough.
        const QString glass = recordWhile(
            QStringLiteral("glass"), [&] { QVERIFY(mac->playSystemSnd(QStringLiteral("Glass"))); }, 3000);
        QVERIFY2(sox::stat(glass, QStringLiteral("RMS     amplitude")) > 0.01, "the system sound is not in the sink");
        const QString file = recordWhile(
            QStringLiteral("file"), [&] { playDocument(QStringLiteral("tone.wav")); }, 200);
        QVERIFY(sox::stat(file, QStringLiteral("RMS     amplitude")) > 0.1);
    }

    void volumeRateLoopsAndMeters()
    {
        const QString full = recordWhile(
            QStringLiteral("full"), [&] { playDocument(QStringLiteral("tone.wav")); }, 200);
        const QString half = recordWhile(
            QStringLiteral("half"),
            [&] { playDocument(QStringLiteral("tone.wav"), [&] { media->av_setVolume(0.5F); }); }, 200);
        media->av_setVolume(1.0F);
        const double drop = db(soundRms(full, 100, 600) / soundRms(half, 100, 600));
        qInfo() << "volume 0.5 lowers the level by" << drop << "dB";
        QVERIFY(std::abs(drop - 6.02) < 1.0);

        // A change while playing is heard at once, not after the second the device has buffered.
        const QString lowered = recordWhile(
            QStringLiteral("lowered"),
            [&] {
                playDocument(QStringLiteral("tone.wav"),
                             [&] { QTimer::singleShot(400, media, [&] { media->av_setVolume(0.05F); }); });
            },
            200);
        media->av_setVolume(1.0F);
        QCOMPARE(sox::stretches(lowered).size(), 1);
        const double tail = soundRms(lowered, -300, 250);
        qInfo() << "RMS of the last 300 ms after lowering the volume to 0.05 at 400 ms:" << tail;
        QVERIFY(tail > 0.0 && tail < 0.05);

        const QString fast = recordWhile(
            QStringLiteral("fast"),
            [&] { playDocument(QStringLiteral("tone.wav"), [&] { media->queuePlayer()->setRate(2.0F); }); }, 200);
        const auto runs = sox::stretches(fast);
        QCOMPARE(runs.size(), 1);
        qInfo() << "1 s at rate 2.0 sounds for" << runs[0].second << "ms";
        QVERIFY(std::abs(runs[0].second - 500) < 80);

        const QString loops = recordWhile(
            QStringLiteral("loops"),
            [&] {
                playDocument(QStringLiteral("blip.wav"), [&] {
                    media->av_setNumOfLoops(3);
                    // Replaying from the place heard after a rate or volume change loses no repeat
                    // (at 350 ms into the first 500 ms play, the new rate would count one too many).
                    QTimer::singleShot(350, media, [&] { media->queuePlayer()->setRate(2.0F); });
                    QTimer::singleShot(700, media, [&] { media->av_setVolume(0.8F); });
                });
            },
            200);
        media->av_setVolume(1.0F);
        QCOMPARE(sox::stretches(loops).size(), 4);

        media->av_addFileFileType(QStringLiteral("tone.wav"), 1);
        media->av_setChannelMeteringEnabled(true);
        media->av_play();
        QTest::qWait(300);
        const float average = media->av_getChannelVolumeAveragePower(0, true);
        const float peak = media->av_getChannelVolumeAveragePower(0, false);
        media->av_stop();
        qInfo() << "meters of a -6 dBFS sine: average" << average << "peak" << peak;
        QVERIFY(std::abs(average + 6.0F) < 1.0F);
        QVERIFY(std::abs(peak + 6.0F) < 1.0F);
    }

    void soundGoesOnlyToTheChosenDevice()
    {
        const QString second = QStringLiteral("carrowen_second");
        QProcess load;
        load.start(QStringLiteral("pactl"), {QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                                             QStringLiteral("sink_name=") + second});
        QVERIFY(load.waitForFinished(5000) && load.exitCode() == 0);
        const QString module = QString::fromUtf8(load.readAllStandardOutput()).trimmed();
        auto known = [&] {
            for (const AudioDevice& d : Platform::audioOutput()->devices()) {
                if (d.id == second) {
                    return true;
                }
            }
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(known(), 5000);
        media->setOutputDevice(second);
        const QString other = dir.filePath(QStringLiteral("default-while-second.wav"));
        SinkRecording onDefault(other);
        QVERIFY(onDefault.started());
        const QString chosen = recordWhile(
            QStringLiteral("second"), [&] { playDocument(QStringLiteral("tone.wav")); }, 200, second);
        onDefault.stop();
        media->setOutputDevice(QString());
        run(QStringLiteral("pactl"), {QStringLiteral("unload-module"), module});
        QVERIFY(sox::stat(chosen, QStringLiteral("RMS     amplitude")) > 0.1);
        QVERIFY(sox::stat(other, QStringLiteral("RMS     amplitude")) < 0.005);
    }

    void sentenceOfRecordedWordsPlaysInOrder()
    {
        for (int type : {0, 1}) {
            media->setPlayerType(type);
            ExitCounter exits;
            TraceRecorder traces;
            const QString file = recordWhile(
                QStringLiteral("sentence%1").arg(type),
                [&] {
                    media->say_number(342);
                    QTRY_COMPARE_WITH_TIMEOUT(exits.count, 1, 10000);
                },
                300);
            QCOMPARE(exits.count, 1);
            QStringList played = traces.lines().filter(QStringLiteral("str: "));
            for (QString& line : played) {
                line = line.trimmed().section(QStringLiteral("str: "), 1);
            }
            QCOMPARE(played, QStringList({QStringLiteral("3.aiff"), QStringLiteral("hundred.aiff"),
                                          QStringLiteral("40.aiff"), QStringLiteral("2.aiff")}));
            // The words follow each other closely: the sentence sounds for about as long as its files.
            double files = 0;
            for (const QString& word : played) {
                QProcess soxi;
                soxi.start(QStringLiteral("soxi"), {QStringLiteral("-D"), resourcePath(word)});
                soxi.waitForFinished(5000);
                files += soxi.readAllStandardOutput().trimmed().toDouble() * 1000.0;
            }
            const auto runs = sox::stretches(file, 150);
            QVERIFY(!runs.isEmpty());
            const int sounding = runs.back().first + runs.back().second - runs.front().first;
            qInfo() << "342 sounds for" << sounding << "ms; its word files last" << files << "ms";
            QVERIFY(sounding < files * 1.3 + 100);
        }
        media->setPlayerType(1);
    }

    void recorderCapturesAToneAndPlaysItBack()
    {
        const QString tone = dir.filePath(QStringLiteral("long.wav"));
        QVERIFY(makeTone(tone, 2.0));
        media->ar_recorderPrepare();
        QVERIFY(media->hasRecorder());
        media->ar_recordStart();
        // The event loop keeps running while the tone plays, so that the recorder takes its samples.
        QProcess paplay;
        paplay.start(QStringLiteral("paplay"), {QStringLiteral("--device=") + sink(), tone});
        QTRY_COMPARE_WITH_TIMEOUT(paplay.state(), QProcess::NotRunning, 10000);
        QCOMPARE(paplay.exitCode(), 0);
        media->ar_recorderStop();
        const QString recorded = home->documents() + QStringLiteral("/recordedFile.caf");
        QVERIFY(QFile::exists(recorded));
        const double frequency = sox::stat(recorded, QStringLiteral("Rough   frequency"));
        qInfo() << "dominant frequency of the recording:" << frequency << "Hz";
        QVERIFY(std::abs(frequency - 440.0) < 15.0);
        QVERIFY(sox::report(recorded, {QStringLiteral("stat")}).contains(QLatin1String("Length")));
        const QString back = recordWhile(
            QStringLiteral("playback"), [&] { media->ar_recorderPlay(); }, 2500);
        QVERIFY(sox::stat(back, QStringLiteral("RMS     amplitude")) > 0.05);
    }
};

QTEST_GUILESS_MAIN(TestSoundAudio)
#include "tst_sound_audio.moc"
