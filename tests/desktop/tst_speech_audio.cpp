#include "Mac_media.h"
#include "Platform.h"
#include "SpeechSynthesizer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

// Records what is played into the sink, through its monitor, into a WAV file.
class SinkRecording
{
public:
    explicit SinkRecording(const QString& file) : m_file(file)
    {
        m_process.setProgram(QStringLiteral("parecord"));
        m_process.setArguments({QStringLiteral("--device=%1.monitor").arg(qEnvironmentVariable("CARROWEN_SINK")),
                                QStringLiteral("--file-format=wav"), QStringLiteral("--format=s16le"),
                                QStringLiteral("--rate=22050"), QStringLiteral("--channels=1"), file});
        m_process.start();
    }
    bool started() { return m_process.waitForStarted(5000); }
    void stop()
    {
        m_process.terminate();
        m_process.waitForFinished(10000);
    }

private:
    QString m_file;
    QProcess m_process;
};

// The file's RMS amplitude as sox reports it (0 for digital silence, 1 for full scale); -1 on failure.
double soxRms(const QString& file)
{
    QProcess sox;
    sox.start(QStringLiteral("sox"), {file, QStringLiteral("-n"), QStringLiteral("stat")});
    sox.waitForFinished(30000);
    const QString report = QString::fromUtf8(sox.readAllStandardError());
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral(R"(RMS\s+amplitude:\s+([0-9.eE+-]+))")).match(report);
    return m.hasMatch() ? m.captured(1).toDouble() : -1.0;
}

// The stretches of sound in the file: durations in ms of runs of 20 ms windows above the threshold,
// runs separated by at least 300 ms of quiet (pauses between words are shorter).
QList<int> soundStretches(const QString& file)
{
    QProcess sox;
    sox.start(QStringLiteral("sox"),
              {file, QStringLiteral("-t"), QStringLiteral("raw"), QStringLiteral("-e"), QStringLiteral("signed"),
               QStringLiteral("-b"), QStringLiteral("16"), QStringLiteral("-c"), QStringLiteral("1"),
               QStringLiteral("-r"), QStringLiteral("8000"), QStringLiteral("-")});
    sox.waitForFinished(30000);
    const QByteArray raw = sox.readAllStandardOutput();
    const auto* samples = reinterpret_cast<const qint16*>(raw.constData());
    const qsizetype count = raw.size() / 2;
    constexpr int Window = 160; // 20 ms at 8 kHz
    QList<bool> loud;
    for (qsizetype start = 0; start + Window <= count; start += Window) {
        double sum = 0;
        for (int i = 0; i < Window; ++i) {
            sum += double(samples[start + i]) * double(samples[start + i]);
        }
        loud.append(std::sqrt(sum / Window) / 32768.0 > 0.01);
    }
    QList<int> stretches;
    int first = -1;
    int last = -1;
    for (int w = 0; w < loud.size(); ++w) {
        if (!loud[w]) {
            continue;
        }
        if (first >= 0 && w - last > 15) {
            stretches.append((last - first + 1) * 20);
            first = -1;
        }
        if (first < 0) {
            first = w;
        }
        last = w;
    }
    if (first >= 0) {
        stretches.append((last - first + 1) * 20);
    }
    return stretches;
}

} // namespace

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
        const double rms = soxRms(file);
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
        const QList<int> stretches = soundStretches(file);
        qInfo() << "sound stretches (ms):" << stretches;
        QCOMPARE(stretches.size(), 3);
        QVERIFY(stretches[0] < stretches[1]);
        QVERIFY(stretches[1] < stretches[2]);
    }
};

QTEST_GUILESS_MAIN(TestSpeechAudio)
#include "tst_speech_audio.moc"
