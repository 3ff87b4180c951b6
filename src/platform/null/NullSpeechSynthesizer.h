#pragma once

#include "SpeechSynthesizer.h"

#include <QElapsedTimer>
#include <QList>

class QTimer;

/**
 * A synthesizer that makes no sound: it times each utterance as if spoken at the normal pace (about
 * 175 words a minute at rate 0.2) and reports its words and its end on that timetable, so that
 * callers waiting for the end go on as they would with sound.
 */
class NullSpeechSynthesizer : public SpeechSynthesizer
{
    Q_OBJECT

public:
    explicit NullSpeechSynthesizer(QObject* parent = nullptr);
    ~NullSpeechSynthesizer() override;

    void setVolume(float volume) override;
    void setRate(float rate) override;
    bool startSpeakingString(const QString& text) override;
    void stopSpeaking() override;
    bool isSpeaking() const override { return m_speaking; }

private:
    struct Word
    {
        qint64 atMs;
        qsizetype location;
        qsizetype length;
    };

    void step();
    void finish(bool finished);

    float m_rate = 0.2F;
    bool m_speaking = false;
    QString m_text;
    QList<Word> m_words;
    qsizetype m_nextWord = 0;
    qint64 m_durationMs = 0;
    QElapsedTimer m_clock;
    QTimer* m_timer = nullptr;
};
