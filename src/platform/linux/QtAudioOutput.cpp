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

constexpr int CheckMs = 5;
// A sink reports idle when its source runs dry, shortly before the last samples are heard; it can
// also stall when the server goes away. Past this long after running dry the end is reported anyway.
constexpr qint64 DrySlackMs = 3000;
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
    m_timer->setInterval(CheckMs);
    connect(m_timer, &QTimer::timeout, this, &SinkOutputStream::check);
    m_timer->start();
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
    m_done = true;
    m_timer->stop();
    m_sink->stop();
}

void SinkOutputStream::check()
{
    if (m_done || m_sink->state() == QAudio::SuspendedState) {
        return;
    }
    if (!m_source->atEnd()) {
        m_dryFor.invalidate();
        return;
    }
    if (!m_dryFor.isValid()) {
        m_dryFor.start();
    }
    const QAudio::State state = m_sink->state();
    if (state == QAudio::IdleState || state == QAudio::StoppedState || m_dryFor.elapsed() > DrySlackMs) {
        m_done = true;
        m_timer->stop();
        emit finished();
    }
}
