#include "QtAudioOutput.h"

#include "null/ClockedAudioOutput.h"

#include "Trace.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>
#include <QTimer>

#include <algorithm>

namespace {

// Device buffer and feeding: the sink is written in push mode, topped up every FeedMs with what has
// played meanwhile, so that the process wakes a few times a second rather than for every 20 ms period
// that Qt's pull mode reads. A larger buffer only delays volume and rate changes, which apply as the
// samples are rendered; a sound starts as fast (the whole buffer is written at once).
constexpr int BufferMs = 1000;
constexpr int FeedMs = 250;
// Without progress for this long (the server went away) a stream is taken as ended.
constexpr int StalledMs = 3000;
// The end is reported this long before the last sample is heard: about the time a new stream takes to
// be heard, so that a sound started at the report follows without a gap.
constexpr qint64 EndLeadUSecs = 5000;

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
        QIODevice* input = sink->start();
        // With no sound server the sink fails at once and emits nothing.
        if (input && sink->error() == QAudio::NoError && sink->state() != QAudio::StoppedState) {
            return std::make_unique<SinkOutputStream>(sink, input, source, format.bytesPerFrame(),
                                                      format.bytesForDuration(1000000));
        }
        TRACE("no sound output (%d): playing silently", int(sink->error()));
        delete sink;
    }
    return std::make_unique<ClockedOutputStream>(source, sampleRate, channels);
}

SinkOutputStream::SinkOutputStream(QAudioSink* sink, QIODevice* input, QIODevice* source, int frameBytes,
                                   qint64 bytesPerSecond, QObject* parent)
    : AudioOutputStream(parent), m_sink(sink), m_input(input), m_source(source), m_frameBytes(frameBytes),
      m_bytesPerSecond(std::max<qint64>(bytesPerSecond, 1)), m_timer(new QTimer(this)), m_endTimer(new QTimer(this))
{
    m_sink->setParent(this);
    m_timer->setInterval(FeedMs);
    connect(m_timer, &QTimer::timeout, this, &SinkOutputStream::feed);
    m_endTimer->setSingleShot(true);
    connect(m_endTimer, &QTimer::timeout, this, &SinkOutputStream::checkEnd);
    m_timer->start();
    feed(); // the first samples go out at once
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
    if (!m_done && !m_suspended) {
        m_suspended = true;
        m_sink->suspend();
    }
}

void SinkOutputStream::resume()
{
    if (!m_done && m_suspended) {
        m_suspended = false;
        m_sink->resume();
        feed();
    }
}

void SinkOutputStream::stop()
{
    m_done = true;
    m_timer->stop();
    m_endTimer->stop();
    m_sink->stop();
}

void SinkOutputStream::feed()
{
    if (m_done || m_suspended) {
        return;
    }
    if (!m_dry) {
        qint64 room = m_sink->bytesFree();
        room -= room % m_frameBytes;
        if (room > 0) {
            m_scratch.resize(qsizetype(room));
            const qint64 got = std::max<qint64>(m_source->read(m_scratch.data(), room), 0);
            if (got > 0) {
                m_input->write(m_scratch.constData(), got);
                m_dataBytes += got;
            }
            if (got < room && m_source->atEnd()) {
                m_dry = true;
                // A sound shorter than the buffer is followed by silence up to the buffer's size: the
                // server starts a stream only once its buffer has been filled.
                m_input->write(QByteArray(qsizetype(room - got), '\0'));
                m_timer->stop();
                m_endTimer->start(0);
                return;
            }
        }
    }
    watch();
}

void SinkOutputStream::watch()
{
    const qint64 played = m_sink->processedUSecs();
    if (played != m_lastPlayed) {
        m_lastPlayed = played;
        m_stalledMs = 0;
        return;
    }
    m_stalledMs += FeedMs;
    if (m_stalledMs >= StalledMs) {
        TRACE("sound output stalled (%d): the sound is taken as ended", int(m_sink->error()));
        end();
    }
}

void SinkOutputStream::checkEnd()
{
    if (m_done) {
        return;
    }
    if (m_suspended) {
        m_endTimer->start(FeedMs);
        return;
    }
    // The source is dry: report the end once all but the last EndLeadUSecs of its samples have played.
    const qint64 played = m_sink->processedUSecs();
    const qint64 left = m_dataBytes * 1000000 / m_bytesPerSecond - played - EndLeadUSecs;
    const bool progressed = played != m_lastPlayed;
    m_lastPlayed = played;
    if (left > 1000 && (progressed || m_endChecks++ < 3)) {
        m_endTimer->start(int((left + 999) / 1000));
        return;
    }
    end();
}

void SinkOutputStream::end()
{
    // The stream is not stopped: its last samples drain while its owner lets it.
    m_done = true;
    m_timer->stop();
    m_endTimer->stop();
    emit finished();
}
