#pragma once

#include <QObject>
#include <QString>

/**
 * A speech synthesizer: speaks one utterance at a time with the default voice and reports each word
 * about to be heard and the end of every utterance, also one cut short by stopSpeaking() or by a new
 * start. Events are emitted on the thread that owns the object (the main thread in the application),
 * never from inside the call that caused them.
 */
class SpeechSynthesizer : public QObject
{
    Q_OBJECT

public:
    explicit SpeechSynthesizer(QObject* parent = nullptr);
    ~SpeechSynthesizer() override;

    /** Volume for the next start, 0.0 to 1.0 (values outside are clamped by the backend). */
    virtual void setVolume(float volume) = 0;
    /** Rate for the next start, unscaled: each backend interprets it (0.2 is the normal pace). */
    virtual void setRate(float rate) = 0;
    /** Starts speaking text, cutting short an utterance in progress (whose end is reported first).
     *  Answers false when the text cannot be spoken at all; the end is still reported then. */
    virtual bool startSpeakingString(const QString& text) = 0;
    /** Stops the utterance in progress; its end is reported with finished = false. No effect when idle. */
    virtual void stopSpeaking() = 0;
    /** true from a start until its end is reported. */
    virtual bool isSpeaking() const = 0;

signals:
    /** A word of text is about to be heard: characters [location, location + length) of text. */
    void willSpeakWord(qsizetype location, qsizetype length, const QString& text);
    /** The utterance ended: finished is false when it was cut short. */
    void didFinishSpeaking(bool finished);
};
