#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class QIODevice;

/** An audio device as the sound server names it: id() selects it, description is for people. */
struct AudioDevice
{
    QString id;
    QString description;
};

/**
 * One stream of signed 16-bit interleaved samples, pulled from a source device and played. With no
 * device behind it the stream still takes the samples at the pace they would be heard, so that its
 * position and its end come when they would have with sound.
 */
class AudioOutputStream : public QObject
{
    Q_OBJECT

public:
    explicit AudioOutputStream(QObject* parent = nullptr);
    ~AudioOutputStream() override;

    /** true when the samples reach a sound device; false when they are only timed on a clock. */
    virtual bool isAudible() const = 0;
    /** Microseconds of audio played (or timed) since the start, pauses excluded. */
    virtual qint64 playedUSecs() const = 0;
    /** Pauses and resumes the stream; both are ignored once it has finished or stopped. */
    virtual void suspend() = 0;
    virtual void resume() = 0;
    /** Stops at once; no finished() follows. */
    virtual void stop() = 0;

signals:
    /** The source ran dry (read() gave nothing and atEnd() holds) and what it gave has been played.
     *  Emitted once, on the thread that owns the stream, never from inside the call that started it. */
    void finished();
};

/** The audio outputs: lists the devices and starts streams on them. */
class AudioOutput : public QObject
{
    Q_OBJECT

public:
    explicit AudioOutput(QObject* parent = nullptr);
    ~AudioOutput() override;

    /** The output devices; empty when there is no sound server. */
    virtual QList<AudioDevice> devices() const = 0;
    /** The id of the default output device; "" when there is none. */
    virtual QString defaultDeviceId() const = 0;
    /** Starts playing what source gives (16-bit, sampleRate frames a second, channels interleaved) on
     *  the device deviceId ("" or an unknown id: the default device). Never null: when no device can
     *  be opened the stream is timed on a clock and isAudible() answers false. The source must outlive
     *  the stream. */
    virtual std::unique_ptr<AudioOutputStream> start(QIODevice* source, int sampleRate, int channels,
                                                     const QString& deviceId) = 0;
};
