#pragma once

#include "SharedInstance.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

class AudioPlayer;
class QTimer;
class SpeechSynthesizer;

/**
 * The speech queue: every spoken announcement goes through one first-in, first-out queue of
 * sentences. Callers append and return at once; a poll every 2.0 s hands the front sentence to the
 * synthesizer, but only while nothing is being spoken, so announcements never overlap. After the
 * synthesizer reports the end of an utterance a 0.05 s grace delay passes before the next may start.
 *
 * tts_state: 0 idle, 1 started, 2 speaking (a word event came), 3 ended and grace delay running.
 * The queue holds at most MaxQueueLength sentences; appending to a full queue drops the oldest with
 * a trace line. Main thread only.
 */
class Mac_media : public QObject, public SharedInstance<Mac_media>
{
    Q_OBJECT
    friend class SharedInstance<Mac_media>;

public:
    static constexpr qsizetype MaxQueueLength = 100;
    static constexpr int PollIntervalMs = 2000;
    static constexpr int GraceDelayMs = 50;

    // ---- Properties ----

    /** The speech state, 0 to 3 (see above); setTts_state accepts any value. */
    int tts_state() const { return m_tts_state; }
    void setTts_state(int state) { m_tts_state = state; }
    /** Volume handed to the synthesizer at each start, 0.0 to 1.0; default 1.0. */
    float speakVolume() const { return m_speakVolume; }
    void setSpeakVolume(float volume) { m_speakVolume = volume; }
    /** Rate handed unchanged to the synthesizer at each start; default 0.2. */
    float speakRate() const { return m_speakRate; }
    void setSpeakRate(float rate) { m_speakRate = rate; }
    /** The pending sentences, oldest first. */
    QStringList ttsQueue() const { return m_ttsQueue; }
    /** Replaces the pending sentences (the newest MaxQueueLength are kept). */
    void setTtsQueue(const QStringList& queue);
    /** The synthesizer; this instance receives its word and end events. Never null. */
    std::shared_ptr<SpeechSynthesizer> speechSynth() const { return m_speechSynth; }
    /** Replaces the synthesizer (nullptr installs the platform's current one). */
    void setSpeechSynth(std::shared_ptr<SpeechSynthesizer> synthesizer);
    /** The repeating poll timer (2.0 s); runs from creation until the process ends. */
    QTimer* ttsQueueTimer() const { return m_ttsQueueTimer; }
    /** The grace timer scheduled by the last end report; null before the first or once it fired. */
    QTimer* ttsTimeout() const;

    // ---- Operations ----

    /** Appends sentence to the queue, "" included; drops the oldest entry when the queue is full. */
    void ttsAddToQueue(const QString& sentence);
    /** Same as ttsAddToQueue. */
    void dbtts(const QString& sentence);
    /** The poll step: when idle and the queue is not empty, speaks the front sentence (forced) and
     *  removes it. At most one sentence leaves the queue per call. */
    void ttsProcessQueue();
    /** Starts speaking sentence at once. "" does nothing; with force false a busy state (not 0) drops
     *  the sentence. Otherwise state 1, volume and rate set, sentence handed to the synthesizer. */
    void ttsSpeakForceSpeak(const QString& sentence, bool force);
    /** Tells the synthesizer to stop; the queue and the state are left as they are. */
    void ttsStop();
    /** Stores volume and rate; they take effect at the next start. */
    void speak_volumeRate(float volume, float rate);
    /** Target of the grace timer: state 0. */
    void ttsFinshedTimeout();
    /** End report of the synthesizer: state 3 and a new 0.05 s grace timer (an earlier one is not
     *  cancelled). The finished flag is not looked at. */
    void speechSynthesizerDidFinishSpeaking(SpeechSynthesizer* sender, bool finished);
    /** Word report of the synthesizer: state 2. */
    void speechSynthesizerWillSpeakWordOfString(SpeechSynthesizer* sender, qsizetype location, qsizetype length,
                                                const QString& string);
    /** Writes "hello from Mac_media" to the process log. */
    void greet();

    // ---- System sounds and sound objects (Mac_mediaSounds.cpp) ----
    // A sound object is an AudioPlayer; every operation accepts nullptr and then does nothing (or
    // answers NO, 0, ""). Named sounds come from the resource directory: "<name>.wav", ".aiff",
    // ".caf", ".mp3", ".flac" or ".ogg", looked up once and kept; the fourteen system sounds and "beep"
    // are there.

    /** The fourteen system sound names, numbers 0 to 13. */
    static const QStringList& systemSoundNames();
    /** YES when name is one of the fourteen, exactly (case-sensitive). */
    bool isSystemSnd(const QString& name) const;
    /** Starts the system sound of that name and answers YES; any other name plays nothing: NO. */
    bool playSystemSnd(const QString& name);
    /** Plays the system sound of number 0 to 13; any other number writes "Velbor: DON'T KNOW:%d" to
     *  the process log. */
    void playSystemSndFromNumber(int number);
    /** The sound registered or found under name; nullptr when there is none (or the name holds "/"
     *  or ".."). The sound stays owned by this service. */
    AudioPlayer* soundNamed(const QString& name);
    /** Starts the sound of the given name from its beginning; snd is not used. Nothing when no sound
     *  has that name. */
    void sndPlay(AudioPlayer* snd, const QString& name);
    /** YES pauses, NO resumes. */
    void sndPause(AudioPlayer* snd, bool pause);
    /** Whether the sound repeats until stopped. */
    void sndSetLoops(AudioPlayer* snd, bool loops);
    bool sndIsPlaying(AudioPlayer* snd) const;
    void sndSetCurrentTime(AudioPlayer* snd, double seconds);
    double sndGetCuurentTime(AudioPlayer* snd) const;
    /** Registers the sound under name (replacing another sound of that name). */
    void sndSetName(AudioPlayer* snd, const QString& name);
    QString sndGetName(AudioPlayer* snd) const;
    void sndVolume(AudioPlayer* snd, float volume);
    float sndGetVolume(AudioPlayer* snd) const;
    /** Chooses the output device by id ("" the default; see Platform::audioOutput()->devices()). */
    void sndSetOutputDevice(AudioPlayer* snd, const QString& deviceId);
    QString sndGetOutputDevice(AudioPlayer* snd) const;

private:
    Mac_media();
    ~Mac_media() override;

    void connectSynth();

    float m_speakVolume = 1.0F;
    float m_speakRate = 0.2F;
    int m_tts_state = 0;
    QPointer<QTimer> m_ttsTimeout;
    QStringList m_ttsQueue;
    QTimer* m_ttsQueueTimer = nullptr;
    std::shared_ptr<SpeechSynthesizer> m_speechSynth;
    QHash<QString, QPointer<AudioPlayer>> m_sounds;
};
