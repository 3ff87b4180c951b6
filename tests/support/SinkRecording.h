#pragma once

#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <cmath>
#include <utility>

/**
 * Records what is played into a PulseAudio sink, through its monitor, into a WAV file with parecord;
 * and measures recordings with sox, a peer nobody here wrote.
 */
class SinkRecording
{
public:
    explicit SinkRecording(const QString& file, const QString& sink = qEnvironmentVariable("CARROWEN_SINK"))
    {
        m_process.start(QStringLiteral("parecord"),
                        {QStringLiteral("--device=%1.monitor").arg(sink), QStringLiteral("--file-format=wav"),
                         QStringLiteral("--format=s16le"), QStringLiteral("--rate=22050"),
                         QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=10"), file});
    }
    ~SinkRecording() { stop(); }
    bool started() { return m_process.waitForStarted(5000); }
    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            m_process.waitForFinished(10000);
        }
    }

private:
    QProcess m_process;
};

namespace sox {

/** The text sox prints for "sox FILE -n EFFECTS..." on standard error. */
inline QString report(const QString& file, const QStringList& effects)
{
    QProcess sox;
    sox.start(QStringLiteral("sox"), QStringList{file, QStringLiteral("-n")} + effects);
    sox.waitForFinished(30000);
    return QString::fromUtf8(sox.readAllStandardError());
}

/** A value of "sox FILE -n [EFFECTS] stat", such as "RMS     amplitude" or "Rough   frequency"; -1 on
 *  failure. Effects such as "trim 0.5 0.25" pick the part measured. */
inline double stat(const QString& file, const QString& label, const QStringList& effects = {})
{
    const QRegularExpressionMatch m =
        QRegularExpression(QRegularExpression::escape(label) + QStringLiteral(R"(:\s+([0-9.eE+-]+))"))
            .match(report(file, effects + QStringList{QStringLiteral("stat")}));
    return m.hasMatch() ? m.captured(1).toDouble() : -1.0;
}

/** Runs of sound in the file (20 ms windows above 1% of full scale, runs split by more than gapMs of
 *  quiet): their starts and lengths in ms. */
inline QList<std::pair<int, int>> stretches(const QString& file, int gapMs = 100)
{
    QProcess sox;
    sox.start(QStringLiteral("sox"),
              {file, QStringLiteral("-t"), QStringLiteral("raw"), QStringLiteral("-e"), QStringLiteral("signed"),
               QStringLiteral("-b"), QStringLiteral("16"), QStringLiteral("-c"), QStringLiteral("1"),
               QStringLiteral("-r"), QStringLiteral("8000"), QStringLiteral("-")});
    sox.waitForFinished(30000);
    const QByteArray raw = sox.readAllStandardOutput();
    const auto* samples = reinterpret_cast<const qint16*>(raw.constData());
    constexpr int Window = 40; // 5 ms at 8 kHz
    QList<std::pair<int, int>> runs;
    int first = -1;
    int last = -1;
    for (qsizetype start = 0, w = 0; start + Window <= raw.size() / 2; start += Window, ++w) {
        double sum = 0;
        for (int i = 0; i < Window; ++i) {
            sum += double(samples[start + i]) * double(samples[start + i]);
        }
        if (std::sqrt(sum / Window) / 32768.0 <= 0.01) {
            continue;
        }
        if (first >= 0 && (int(w) - last) * 5 > gapMs) {
            runs.append({first * 5, (last - first + 1) * 5});
            first = -1;
        }
        if (first < 0) {
            first = int(w);
        }
        last = int(w);
    }
    if (first >= 0) {
        runs.append({first * 5, (last - first + 1) * 5});
    }
    return runs;
}

} // namespace sox
