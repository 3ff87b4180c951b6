#pragma once

#include "AudioOutput.h"

#include <QByteArray>
#include <QElapsedTimer>

class QTimer;

/**
 * A stream with no device behind it: it takes the samples from its source at the pace they would be
 * heard and discards them, so position and end come on time. The Linux backend falls back to it when
 * no sink can be opened.
 */
class ClockedOutputStream : public AudioOutputStream
{
    Q_OBJECT

public:
    ClockedOutputStream(QIODevice* source, int sampleRate, int channels, QObject* parent = nullptr);
    ~ClockedOutputStream() override;

    bool isAudible() const override { return false; }
    qint64 playedUSecs() const override;
    void suspend() override;
    void resume() override;
    void stop() override;

private:
    qint64 elapsedUSecs() const;
    void step();

    QIODevice* m_source;
    int m_sampleRate;
    int m_frameBytes;
    QElapsedTimer m_clock;
    qint64 m_beforeUSecs = 0; // time played before the last resume
    bool m_running = true;
    bool m_done = false;
    bool m_dry = false;
    qint64 m_takenFrames = 0;
    QByteArray m_scratch;
    QTimer* m_timer;
};

/** Audio output with no devices: every stream is a ClockedOutputStream. */
class NullAudioOutput : public AudioOutput
{
    Q_OBJECT

public:
    using AudioOutput::AudioOutput;
    QList<AudioDevice> devices() const override { return {}; }
    QString defaultDeviceId() const override { return {}; }
    std::unique_ptr<AudioOutputStream> start(QIODevice* source, int sampleRate, int channels,
                                             const QString& deviceId) override;
};
