#pragma once

#include "SoundData.h"

#include <QObject>
#include <QString>

#include <memory>

class AudioOutputStream;
class PlayerFeed;

/**
 * A sound in memory and its playback: volume, rate, position, loops, level meters and the output
 * device, played through the platform's audio output. It is both the full audio player of Media and
 * the sound object of Mac_media. A player with no sound (the file could not be opened) accepts every
 * call and plays nothing. With no sound device the player still runs on the clock, so its position
 * advances and its end is reported on time. Main thread only.
 */
class AudioPlayer : public QObject
{
    Q_OBJECT

public:
    explicit AudioPlayer(QObject* parent = nullptr);
    ~AudioPlayer() override;

    /** Gives the player its sound (stopping any playback); plays it at once when play() was called
     *  while the sound was still loading. */
    void setSound(std::shared_ptr<const SoundData> sound);
    /** Marks the sound as still loading: play() then waits for setSound(). */
    void setLoading(bool loading);
    bool isLoading() const { return m_loading; }
    bool hasSound() const { return m_sound != nullptr; }

    /** true when there is a sound to play. */
    bool prepareToPlay() const { return hasSound(); }
    /** Starts or resumes playback; false when there is nothing to play. Starting at the end starts
     *  again from the beginning. */
    bool play();
    /** Pauses; play() resumes from the same place. */
    void pause();
    /** Stops playback and keeps the position. */
    void stop();
    bool isPlaying() const { return m_playing; }

    /** Position in seconds, 0 to duration(). */
    double currentTime() const;
    /** Moves the position; values below 0 give 0, past the end give the end; NaN is ignored. */
    void setCurrentTime(double seconds);
    /** Length of the sound in seconds; 0 with no sound. */
    double duration() const;

    /** Volume 0.0 to 1.0; values outside are clamped, NaN is ignored. Takes effect at once. */
    float volume() const { return m_volume; }
    void setVolume(float volume);
    /** Playback rate 0.5 to 2.0 (1.0 normal; faster playback also sounds higher); values outside are
     *  clamped, NaN, 0 and negative values are ignored. */
    float rate() const { return m_rate; }
    void setRate(float rate);
    /** How many times the sound repeats after its first play; a negative count repeats until stop(). */
    int numberOfLoops() const { return m_loops; }
    void setNumberOfLoops(int loops);

    /** Level metering: updateMeters() measures the 50 ms before the current position. */
    bool isMeteringEnabled() const { return m_metering; }
    void setMeteringEnabled(bool on);
    void updateMeters();
    /** dBFS of the last updateMeters() for channel: the peak, or the average (RMS, scaled so that a
     *  sine reads the same as its peak). -160 when metering is off, with no sound or a bad channel. */
    float peakPowerForChannel(unsigned channel) const;
    float averagePowerForChannel(unsigned channel) const;
    int numberOfChannels() const { return m_sound ? m_sound->channels : 0; }

    /** The output device id ("" the default); changing it while playing moves the sound there. */
    QString outputDevice() const { return m_device; }
    void setOutputDevice(const QString& deviceId);
    /** A name for the sound object; "" by default. */
    QString name() const { return m_name; }
    void setName(const QString& name) { m_name = name; }

    /** true when the last playback reached a sound device (false: timed on the clock). */
    bool wasAudible() const { return m_audible; }

signals:
    /** The sound played to its end (after its loops); successfully is false when it could not be
     *  played at all. Not emitted after stop() or pause(). */
    void didFinishPlaying(bool successfully);

private:
    friend class PlayerFeed;
    qint64 render(char* data, qint64 maxBytes);
    bool renderDone() const;
    int loopsLeftAsHeard() const;
    /** Moves to seconds with loopsLeft repeats to go; a running or paused stream restarts there. */
    void restartAt(double seconds, int loopsLeft);
    void startStream();
    void endStream(bool drain = false);
    void onStreamFinished();

    std::shared_ptr<const SoundData> m_sound;
    std::unique_ptr<PlayerFeed> m_feed;
    std::unique_ptr<AudioOutputStream> m_stream;
    bool m_loading = false;
    bool m_playWhenLoaded = false;
    bool m_playing = false;
    bool m_audible = false;
    double m_position = 0.0;    // seconds, while not playing
    double m_streamStart = 0.0; // seconds: where the current stream started
    double m_feedPos = 0.0;     // frames: where the feed is in the sound
    int m_loopsLeft = 0;
    int m_loopsAtStreamStart = 0;
    bool m_volumeRestartPending = false;
    float m_volume = 1.0F;
    float m_rate = 1.0F;
    int m_loops = 0;
    bool m_metering = false;
    QList<float> m_peak;
    QList<float> m_average;
    QString m_device;
    QString m_name;
};
