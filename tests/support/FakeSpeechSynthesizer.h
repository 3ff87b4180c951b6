#pragma once

#include "SpeechSynthesizer.h"

#include <QList>
#include <QStringList>

/**
 * A synthesizer for tests: records every start with the volume and rate in force, and speaks only
 * when the test says so (speakWord, finishUtterance). Like the real backends it reports the end of
 * an utterance cut short by stopSpeaking() or by a new start, later, through the event loop.
 */
class FakeSpeechSynthesizer : public SpeechSynthesizer
{
    Q_OBJECT

public:
    struct Start
    {
        QString text;
        float volume;
        float rate;
    };

    void setVolume(float volume) override { m_volume = volume; }
    void setRate(float rate) override { m_rate = rate; }
    bool startSpeakingString(const QString& text) override;
    void stopSpeaking() override;
    bool isSpeaking() const override { return m_speaking; }

    /** The texts started so far, oldest first. */
    QStringList spoken() const;
    QList<Start> starts() const { return m_starts; }
    int stopCount() const { return m_stops; }
    /** Reports the next word of the current utterance (the whole text when it has no blank). */
    void speakWord();
    /** Reports the end of the current utterance now. No effect when nothing is being spoken. */
    void finishUtterance(bool finished = true);

private:
    void reportCutShort();

    float m_volume = 1.0F;
    float m_rate = 0.2F;
    bool m_speaking = false;
    QList<Start> m_starts;
    int m_stops = 0;
};
