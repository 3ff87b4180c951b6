#pragma once

#include "SpeechSynthesizer.h"

#include <QBuffer>
#include <QByteArray>
#include <QElapsedTimer>
#include <QList>

class QAudioSink;
class QTimer;

/**
 * Speech through espeak-ng in retrieval mode, voice "en": espeak synthesises on its own thread and
 * hands over samples (22050 Hz, mono, 16 bit) with word events; they are passed to the main thread
 * by queued invocation, played through a QAudioSink, and each word is reported when the playback
 * reaches it. Rate 0.2 is espeak's normal pace (175 words a minute), scaled in proportion and
 * clamped to espeak's 80 to 450; volume 1.0 is espeak's 100.
 *
 * With no sound server (the sink cannot be opened) the utterance is timed on a clock instead, so its
 * words and its end come when they would have been heard. With no espeak data a start answers false
 * and only the end is reported. One instance per process: espeak-ng's state is global.
 */
class EspeakSpeechSynthesizer : public SpeechSynthesizer
{
    Q_OBJECT

public:
    /** silent: never open a sink, time every utterance on the clock (as with no sound server). */
    explicit EspeakSpeechSynthesizer(bool silent = false, QObject* parent = nullptr);
    ~EspeakSpeechSynthesizer() override;

    void setVolume(float volume) override;
    void setRate(float rate) override;
    bool startSpeakingString(const QString& text) override;
    void stopSpeaking() override;
    bool isSpeaking() const override { return m_speaking; }

    /** true when espeak-ng is ready to synthesise. */
    static bool engineAvailable();

    // Called on the main thread with what espeak produced for utterance id.
    struct WordEvent
    {
        qint64 atMs;
        int textPosition; // characters (code points) from the start, 1-based
        int length;       // in characters
    };
    void receive(quint64 id, const QByteArray& samples, const QList<WordEvent>& words, bool terminated);

private:
    void beginPlayback();
    void step();
    void finish(bool finished);
    qint64 playedMs() const;

    bool m_silent;
    float m_volume = 1.0F;
    float m_rate = 0.2F;
    bool m_speaking = false;
    bool m_playing = false;
    quint64 m_utterance = 0;
    QString m_text;
    QList<qsizetype> m_charOffsets; // UTF-16 offset of each code point of m_text, plus the end
    QByteArray m_samples;
    QList<WordEvent> m_words;
    qsizetype m_nextWord = 0;
    QBuffer m_buffer;
    QAudioSink* m_sink = nullptr;
    bool m_sinkFailed = false;
    QElapsedTimer m_clock;
    QTimer* m_timer = nullptr;
};
