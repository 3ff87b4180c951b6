#pragma once

#include "AudioOutput.h"

#include <QByteArray>

class QAudioSink;
class QTimer;

/**
 * Output through Qt Multimedia's QAudioSink (PulseAudio on Linux) in push mode. When no sink can be
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

/** One QAudioSink written in push mode, topped up on a timer; see AudioOutputStream. */
class SinkOutputStream : public AudioOutputStream
{
    Q_OBJECT

public:
    /** Takes a sink already started in push mode and the device it returned. */
    SinkOutputStream(QAudioSink* sink, QIODevice* input, QIODevice* source, int frameBytes, qint64 bytesPerSecond,
                     QObject* parent = nullptr);
    ~SinkOutputStream() override;

    bool isAudible() const override { return true; }
    qint64 playedUSecs() const override;
    void suspend() override;
    void resume() override;
    void stop() override;

private:
    void feed();
    void watch();
    void checkEnd();
    void end();

    QAudioSink* m_sink;
    QIODevice* m_input;
    QIODevice* m_source;
    int m_frameBytes;
    qint64 m_bytesPerSecond;
    QTimer* m_timer;
    QTimer* m_endTimer;
    QByteArray m_scratch;
    qint64 m_dataBytes = 0; // bytes of the source written to the sink
    qint64 m_lastPlayed = -1;
    int m_stalledMs = 0;
    int m_endChecks = 0;
    bool m_dry = false;
    bool m_suspended = false;
    bool m_done = false;
};
