// The sound services' figures, measured at a PulseAudio sink through its monitor (bench/bench_sound.sh
// runs this inside a private session): the gap between consecutive recorded words, the latency from
// playSystemSnd to the first sound at the sink, and the CPU time of playing a file beside paplay.
// Usage: bench_sound <seconds of the CPU run>
#include "AudioPlayer.h"
#include "Mac_media.h"
#include "Media.h"
#include "NotificationCenter.h"
#include "Platform.h"
#include "Resources.h"

#include <QAudioDevice>
#include <QAudioSource>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMediaDevices>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr int Rate = 22050;

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Captures the default input (the sink's monitor in the session) and stamps every batch with the
// moment it arrived, so that the time of any captured sample can be estimated.
class Capture
{
public:
    Capture()
    {
        QAudioFormat format;
        format.setSampleRate(Rate);
        format.setChannelCount(1);
        format.setSampleFormat(QAudioFormat::Int16);
        m_source = new QAudioSource(QMediaDevices::defaultAudioInput(), format);
        m_source->setBufferSize(format.bytesForDuration(10000));
        m_clock.start();
        m_io = m_source->start();
        QObject::connect(m_io, &QIODevice::readyRead, m_io, [this] {
            const QByteArray bytes = m_io->readAll();
            const auto* s = reinterpret_cast<const qint16*>(bytes.constData());
            m_samples.append(QList<qint16>(s, s + bytes.size() / 2));
            m_arrivals.append({m_samples.size(), m_clock.nsecsElapsed() / 1e6});
        });
    }
    ~Capture() { delete m_source; }
    double nowMs() const { return m_clock.nsecsElapsed() / 1e6; }
    qsizetype size() const { return m_samples.size(); }
    bool loud(qsizetype i) const { return std::abs(int(m_samples[i])) > 300; }
    // Estimated moment sample i reached us: the arrival of its batch less what followed it there.
    double timeOf(qsizetype i) const
    {
        for (const auto& [end, at] : m_arrivals) {
            if (i < end) {
                return at - double(end - 1 - i) * 1000.0 / Rate;
            }
        }
        return -1;
    }
    // From the first to the last sound after sample `from`, in ms.
    double span(qsizetype from) const
    {
        qsizetype first = -1;
        qsizetype last = -1;
        for (qsizetype i = from; i < m_samples.size(); ++i) {
            if (loud(i)) {
                first = first < 0 ? i : first;
                last = i;
            }
        }
        return first < 0 ? 0.0 : double(last - first) * 1000.0 / Rate;
    }
    // Silent stretches between sounds after sample `from`: lengths in ms.
    QList<double> gaps(qsizetype from) const
    {
        QList<double> out;
        qsizetype lastLoud = -1;
        for (qsizetype i = from; i < m_samples.size(); ++i) {
            if (!loud(i)) {
                continue;
            }
            // A 440 Hz tone crosses zero every ~25 samples: quiet stretches shorter than 2 ms are the wave.
            if (lastLoud >= 0 && i - lastLoud > Rate / 500) {
                out.append(double(i - lastLoud) * 1000.0 / Rate);
            }
            lastLoud = i;
        }
        return out;
    }

private:
    QAudioSource* m_source;
    QIODevice* m_io = nullptr;
    QElapsedTimer m_clock;
    QList<qint16> m_samples;
    QList<std::pair<qsizetype, double>> m_arrivals;
};

double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

bool sox(const QStringList& arguments)
{
    return QProcess::execute(QStringLiteral("sox"), arguments) == 0;
}

QStringList tone(const QString& path, double seconds)
{
    return {QStringLiteral("-n"),    QStringLiteral("-r"),     QString::number(Rate),  QStringLiteral("-c"),
            QStringLiteral("1"),     QStringLiteral("-b"),     QStringLiteral("16"),   path,
            QStringLiteral("synth"), QString::number(seconds), QStringLiteral("sine"), QStringLiteral("440"),
            QStringLiteral("vol"),   QStringLiteral("0.5")};
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int cpuRun = argc > 1 ? std::max(1, atoi(argv[1])) : 60;
    Platform::installBackends(Platform::Backends::Linux);
    Media* media = Media::sharedEngineInstance();
    Mac_media* mac = Mac_media::sharedEngineInstance();
    QTemporaryDir dir;

    {
        Capture capture;
        wait(500);
        // Latency: from the call to the first sound the monitor shows, ten times.
        QList<double> latencies;
        for (int i = 0; i < 10; ++i) {
            wait(400);
            const qsizetype from = capture.size();
            const double called = capture.nowMs();
            mac->playSystemSnd(QStringLiteral("Tink"));
            wait(400);
            for (qsizetype s = from; s < capture.size(); ++s) {
                if (capture.loud(s)) {
                    latencies.append(capture.timeOf(s) - called);
                    break;
                }
            }
        }
        std::sort(latencies.begin(), latencies.end());
        if (!latencies.isEmpty()) {
            std::printf("playSystemSnd to first sound at the sink: median %.1f ms, max %.1f ms (%d runs; includes "
                        "the monitor's capture latency)\n",
                        latencies[latencies.size() / 2], latencies.back(), int(latencies.size()));
        }

        // Gaps: a sentence of eight 200 ms tone "words" from a resource directory of our own.
        const QString saved = resourceDirectory();
        for (int i = 0; i < 8; ++i) {
            sox(tone(dir.filePath(QStringLiteral("w%1.aiff").arg(i)), 0.2));
        }
        setResourceDirectory(dir.path());
        for (int type : {0, 1}) {
            media->setPlayerType(type);
            media->clrQueue();
            for (int i = 0; i < 8; ++i) {
                media->addItemToQueue(QStringLiteral("w%1").arg(i));
            }
            bool ended = false;
            const auto token =
                NotificationCenter::defaultCenter().addObserver(QStringLiteral("IOSMedia"), [&](const Notification& n) {
                    ended |= n.object == QStringLiteral("ipod_exit");
                });
            wait(300);
            const qsizetype from = capture.size();
            media->playitemInQueue();
            for (int t = 0; t < 100 && !ended; ++t) {
                wait(50);
            }
            wait(300);
            NotificationCenter::defaultCenter().removeObserver(token);
            QList<double> gaps = capture.gaps(from);
            std::sort(gaps.begin(), gaps.end());
            double sum = 0;
            for (double g : gaps) {
                sum += g;
            }
            // Words that overlap leave no gap but shorten the whole: eight words of 200 ms span 1600 ms.
            std::printf("gap between words (player type %d): %d gaps over 2 ms, mean %.1f ms, max %.1f ms; "
                        "eight 200 ms words span %.0f ms\n",
                        type, int(gaps.size()), gaps.isEmpty() ? 0.0 : sum / double(gaps.size()),
                        gaps.isEmpty() ? 0.0 : gaps.back(), capture.span(from));
        }
        setResourceDirectory(saved);
    }

    // CPU: a file of cpuRun seconds played by the full player, then by paplay.
    const QString file = dir.filePath(QStringLiteral("long.wav"));
    sox(tone(file, cpuRun));
    QFile::copy(file, media->getPathToFile(QStringLiteral("bench_long.wav")).toLocalFile());
    const double before = cpuSeconds(RUSAGE_SELF);
    media->setPlayerType(1);
    media->clrQueue();
    media->av_playFileFileType(QStringLiteral("bench_long.wav"), 1);
    // Waits for the end report rather than polling, so that only the player's own work is counted.
    if (AudioPlayer* player = media->queuePlayer(); player && player->isPlaying()) {
        QEventLoop loop;
        QObject::connect(player, &AudioPlayer::didFinishPlaying, &loop, &QEventLoop::quit);
        loop.exec();
    }
    const double ours = cpuSeconds(RUSAGE_SELF) - before;
    QFile::remove(media->getPathToFile(QStringLiteral("bench_long.wav")).toLocalFile());
    const double childBefore = cpuSeconds(RUSAGE_CHILDREN);
    QProcess::execute(QStringLiteral("paplay"), {file});
    const double theirs = cpuSeconds(RUSAGE_CHILDREN) - childBefore;
    std::printf("CPU time playing %d s: full player %.3f s, paplay %.3f s (ratio %.2f)\n", cpuRun, ours, theirs,
                theirs > 0 ? ours / theirs : 0.0);
    return 0;
}
