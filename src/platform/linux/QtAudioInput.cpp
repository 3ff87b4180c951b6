#include "QtAudioInput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSource>
#include <QIODevice>
#include <QMediaDevices>

QList<AudioDevice> QtAudioInput::devices() const
{
    QList<AudioDevice> answer;
    for (const QAudioDevice& device : QMediaDevices::audioInputs()) {
        answer.append({QString::fromUtf8(device.id()), device.description()});
    }
    return answer;
}

std::unique_ptr<AudioInputStream> QtAudioInput::start(int sampleRate, int channels, const QString& deviceId,
                                                      QString* error)
{
    QAudioDevice device = QMediaDevices::defaultAudioInput();
    for (const QAudioDevice& candidate : QMediaDevices::audioInputs()) {
        if (!deviceId.isEmpty() && QString::fromUtf8(candidate.id()) == deviceId) {
            device = candidate;
        }
    }
    if (device.isNull()) {
        if (error) {
            *error = QStringLiteral("no audio input device");
        }
        return nullptr;
    }
    QAudioFormat format;
    format.setSampleRate(sampleRate);
    format.setChannelCount(channels);
    format.setSampleFormat(QAudioFormat::Int16);
    auto* source = new QAudioSource(device, format);
    QIODevice* io = source->start();
    if (!io || source->error() != QAudio::NoError || source->state() == QAudio::StoppedState) {
        if (error) {
            *error = QStringLiteral("the audio input cannot be opened (error %1)").arg(int(source->error()));
        }
        delete source;
        return nullptr;
    }
    return std::make_unique<SourceInputStream>(source, io);
}

SourceInputStream::SourceInputStream(QAudioSource* source, QIODevice* io, QObject* parent)
    : AudioInputStream(parent), m_source(source), m_io(io)
{
    m_source->setParent(this);
    connect(m_io, &QIODevice::readyRead, this, [this] {
        const QByteArray samples = m_io->readAll();
        if (!samples.isEmpty()) {
            emit samplesReady(samples);
        }
    });
}

SourceInputStream::~SourceInputStream()
{
    m_source->stop();
}

void SourceInputStream::stop()
{
    disconnect(m_io, nullptr, this, nullptr);
    m_source->stop();
}
