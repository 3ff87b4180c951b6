#pragma once

#include "AudioOutput.h"

class QAudioSink;
class QTimer;

/**
 * Output through Qt Multimedia's QAudioSink (PulseAudio on Linux) in pull mode. When no sink can be
 * opened (no sound server) a stream falls back to the clock, so its end is still reported.
 */
class QtAudioOutput : public AudioOutput
{
    Q_OBJECT

public:
    using AudioOutput::AudioOutput;
    QList<AudioDevice> devices() const override;
    QString defaultDeviceId() const override;
    std::unique_ptr<AudioOutputStream> start(QIODevice* source, int sampleRate, int channels,
                                             const QString& deviceId) override;
};

/** One QAudioSink pulling from its source; see AudioOutputStream. */
class SinkOutputStream : public AudioOutputStream
{
    Q_OBJECT

public:
    /** Takes an already started sink. */
    SinkOutputStream(QAudioSink* sink, QIODevice* source, QObject* parent = nullptr);
    ~SinkOutputStream() override;

    bool isAudible() const override { return true; }
    qint64 playedUSecs() const override;
    void suspend() override;
    void resume() override;
    void stop() override;

private:
    void check();
    void watch();

    QAudioSink* m_sink;
    QIODevice* m_source;
    QTimer* m_timer;
    qint64 m_lastPlayed = -1;
    int m_stalledTicks = 0;
    bool m_done = false;
    bool m_stopped = false;
};
