#include "ClockedAudioOutput.h"

#include <QIODevice>
#include <QTimer>

#include <algorithm>

namespace {
constexpr int StepMs = 10;
constexpr qint64 LeadUSecs = 50000; // taken ahead of the clock, as a device buffer would
} // namespace

ClockedOutputStream::ClockedOutputStream(QIODevice* source, int sampleRate, int channels, QObject* parent)
    : AudioOutputStream(parent), m_source(source), m_sampleRate(std::max(sampleRate, 1)),
      m_frameBytes(int(sizeof(qint16)) * std::max(channels, 1)), m_timer(new QTimer(this))
{
    m_timer->setInterval(StepMs);
    connect(m_timer, &QTimer::timeout, this, &ClockedOutputStream::step);
    m_clock.start();
    m_timer->start(); // the first step comes from the event loop, never from inside start
}

ClockedOutputStream::~ClockedOutputStream() = default;

qint64 ClockedOutputStream::elapsedUSecs() const
{
    return m_beforeUSecs + (m_running ? m_clock.nsecsElapsed() / 1000 : 0);
}

qint64 ClockedOutputStream::playedUSecs() const
{
    return std::min(elapsedUSecs(), m_takenFrames * 1000000 / m_sampleRate);
}

void ClockedOutputStream::suspend()
{
    if (m_running && !m_done) {
        m_beforeUSecs = elapsedUSecs();
        m_running = false;
        m_timer->stop();
    }
}

void ClockedOutputStream::resume()
{
    if (!m_running && !m_done) {
        m_running = true;
        m_clock.restart();
        m_timer->start();
    }
}

void ClockedOutputStream::stop()
{
    m_done = true;
    m_timer->stop();
}

void ClockedOutputStream::step()
{
    if (m_done || !m_running) {
        return;
    }
    const qint64 now = elapsedUSecs();
    if (!m_dry) {
        const qint64 wanted = (now + LeadUSecs) * m_sampleRate / 1000000 - m_takenFrames;
        if (wanted > 0) {
            m_scratch.resize(qsizetype(wanted) * m_frameBytes);
            const qint64 got = m_source->read(m_scratch.data(), m_scratch.size());
            m_takenFrames += std::max<qint64>(got, 0) / m_frameBytes;
            if (got < m_scratch.size() && m_source->atEnd()) {
                m_dry = true;
            }
        }
    }
    if (m_dry && now >= m_takenFrames * 1000000 / m_sampleRate) {
        m_done = true;
        m_timer->stop();
        emit finished();
    }
}

std::unique_ptr<AudioOutputStream> NullAudioOutput::start(QIODevice* source, int sampleRate, int channels,
                                                          const QString&)
{
    return std::make_unique<ClockedOutputStream>(source, sampleRate, channels);
}
