#pragma once

#include "AudioOutput.h"

#include <QByteArray>

/** One capture stream: delivers signed 16-bit interleaved samples as they arrive. */
class AudioInputStream : public QObject
{
    Q_OBJECT

public:
    explicit AudioInputStream(QObject* parent = nullptr);
    ~AudioInputStream() override;

    /** Stops capturing; no samplesReady() follows. */
    virtual void stop() = 0;

signals:
    /** Captured samples, on the thread that owns the stream. */
    void samplesReady(const QByteArray& samples);
};

/** The audio inputs (microphones and the like). */
class AudioInput : public QObject
{
    Q_OBJECT

public:
    explicit AudioInput(QObject* parent = nullptr);
    ~AudioInput() override;

    /** The input devices; empty when there is no sound server or no input. */
    virtual QList<AudioDevice> devices() const = 0;
    /** Starts capturing from deviceId ("" or an unknown id: the default input) at sampleRate with
     *  channels; nullptr, with the reason in *error when given, when no input can be opened. */
    virtual std::unique_ptr<AudioInputStream> start(int sampleRate, int channels, const QString& deviceId,
                                                    QString* error = nullptr) = 0;
};
