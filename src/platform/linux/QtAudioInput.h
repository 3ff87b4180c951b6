#pragma once

#include "AudioInput.h"

class QAudioSource;
class QIODevice;

/** Capture through Qt Multimedia's QAudioSource (PulseAudio on Linux). */
class QtAudioInput : public AudioInput
{
    Q_OBJECT

public:
    using AudioInput::AudioInput;
    QList<AudioDevice> devices() const override;
    std::unique_ptr<AudioInputStream> start(int sampleRate, int channels, const QString& deviceId,
                                            QString* error = nullptr) override;
};

/** One started QAudioSource; see AudioInputStream. */
class SourceInputStream : public AudioInputStream
{
    Q_OBJECT

public:
    SourceInputStream(QAudioSource* source, QIODevice* io, QObject* parent = nullptr);
    ~SourceInputStream() override;
    void stop() override;

private:
    QAudioSource* m_source;
    QIODevice* m_io;
};
