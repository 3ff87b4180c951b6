#include "QtAudioOutput.h"

#include "null/ClockedAudioOutput.h"

#include "Trace.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>
#include <QTimer>

namespace {

// Without progress for StalledTicks watchdog ticks (the server went away) a stream is taken as ended.
constexpr int WatchdogMs = 1000;
constexpr int StalledTicks = 3;
// From the source running dry to the end report: what the device still holds (about 40 ms with the
// buffer below) less the time a new stream takes to be heard (about 20 ms), measured at a null sink.
constexpr int EndDelayMs = 20;
// Device buffer: small, so that a clip is heard within a few tens of milliseconds of its start. The
// PulseAudio backend writes in 20 ms periods and stalls with fewer than three of them (40 ms).
constexpr int BufferMs = 60;

QAudioDevice findOutput(const QString& id)
{
    if (!id.isEmpty()) {
        for (const QAudioDevice& device : QMediaDevices::audioOutputs()) {
            if (QString::fromUtf8(device.id()) == id) {
                return device;
            }
        }
    }
    return QMediaDevices::defaultAudioOutput();
}

} // namespace

QList<AudioDevice> QtAudioOutput::devices() const
{
    QList<AudioDevice> answer;
    for (const QAudioDevice& device : QMediaDevices::audioOutputs()) {
        answer.append({QString::fromUtf8(device.id()), device.description()});
    }
    return answer;
}

QString QtAudioOutput::defaultDeviceId() const
{
    return QString::fromUtf8(QMediaDevices::defaultAudioOutput().id());
}

std::unique_ptr<AudioOutputStream> QtAudioOutput::start(QIODevice* source, int sampleRate, int channels,
                                                        const QString& deviceId)
{
    const QAudioDevice device = findOutput(deviceId);
    if (!device.isNull()) {
        QAudioFormat format;
        format.setSampleRate(sampleRate);
        format.setChannelCount(channels);
        format.setSampleFormat(QAudioFormat::Int16);
        auto* sink = new QAudioSink(device, format);
        sink->setBufferSize(format.bytesForDuration(BufferMs * 1000));
        sink->start(source);
        // With no sound server the sink fails at once and emits nothing.
        if (sink->error() == QAudio::NoError && sink->state() != QAudio::StoppedState) {
            return std::make_unique<SinkOutputStream>(sink, source);
        }
        TRACE("no sound output (%d): playing silently", int(sink->error()));
        delete sink;
    }
    return std::make_unique<ClockedOutputStream>(source, sampleRate, channels);
}

SinkOutputStream::SinkOutputStream(QAudioSink* sink, QIODevice* source, QObject* parent)
    : AudioOutputStream(parent), m_sink(sink), m_source(source), m_timer(new QTimer(this))
{
    m_sink->setParent(this);
    // No polling for the end: the source says when it has handed over its last sample
    // (readChannelFinished, or the sink going idle). A slow watchdog covers a sink that stalls.
    connect(m_source, &QIODevice::readChannelFinished, this, &SinkOutputStream::check, Qt::QueuedConnection);
    connect(m_sink, &QAudioSink::stateChanged, this, &SinkOutputStream::check);
    m_timer->setInterval(WatchdogMs);
    connect(m_timer, &QTimer::timeout, this, &SinkOutputStream::watch);
    m_timer->start();
}

void SinkOutputStream::watch()
{
    const qint64 played = m_sink->processedUSecs();
    if (m_sink->state() == QAudio::SuspendedState || played != m_lastPlayed) {
        m_lastPlayed = played;
        m_stalledTicks = 0;
        return;
    }
    if (++m_stalledTicks >= StalledTicks && !m_done) {
        TRACE("sound output stalled (%d): the sound is taken as ended", int(m_sink->error()));
        m_done = true;
        m_timer->stop();
        m_sink->stop();
        emit finished();
    }
}

SinkOutputStream::~SinkOutputStream()
{
    m_sink->stop();
}

qint64 SinkOutputStream::playedUSecs() const
{
    return m_sink->processedUSecs();
}

void SinkOutputStream::suspend()
{
    if (!m_done) {
        m_sink->suspend();
    }
}

void SinkOutputStream::resume()
{
    if (!m_done) {
        m_sink->resume();
    }
}

void SinkOutputStream::stop()
{
    m_stopped = true;
    m_done = true;
    m_timer->stop();
    m_sink->stop();
}

void SinkOutputStream::check()
{
    if (m_done || m_sink->state() == QAudio::SuspendedState || !m_source->atEnd()) {
        return;
    }
    // The last samples are still in the device buffer when the source runs dry. The end is reported
    // a little before they have played out, by about the time a new stream takes to be heard, so that
    // a sound started at the report follows without a gap; this stream is not stopped, it drains.
    m_done = true;
    m_timer->stop();
    QTimer::singleShot(EndDelayMs, this, [this] {
        if (!m_stopped) {
            emit finished();
        }
    });
}
