#include "Mac_media.h"

#include "Platform.h"
#include "ProcessLog.h"
#include "SpeechSynthesizer.h"
#include "Trace.h"

#include <QTimer>

Mac_media::Mac_media() : m_ttsQueueTimer(new QTimer(this))
{
    setSpeechSynth(nullptr);
    m_ttsQueueTimer->setInterval(PollIntervalMs);
    connect(m_ttsQueueTimer, &QTimer::timeout, this, &Mac_media::ttsProcessQueue);
    m_ttsQueueTimer->start();
}

Mac_media::~Mac_media() = default;

QTimer* Mac_media::ttsTimeout() const
{
    return m_ttsTimeout.data();
}

void Mac_media::setTtsQueue(const QStringList& queue)
{
    m_ttsQueue = queue;
    while (m_ttsQueue.size() > MaxQueueLength) {
        TRACE("speech queue full (%d sentences): dropped the oldest, \"%@\"", int(MaxQueueLength), m_ttsQueue.front());
        m_ttsQueue.removeFirst();
    }
}

void Mac_media::setSpeechSynth(std::shared_ptr<SpeechSynthesizer> synthesizer)
{
    if (m_speechSynth) {
        disconnect(m_speechSynth.get(), nullptr, this, nullptr);
    }
    m_speechSynth = synthesizer ? std::move(synthesizer) : Platform::speechSynthesizer();
    connectSynth();
}

void Mac_media::connectSynth()
{
    SpeechSynthesizer* synth = m_speechSynth.get();
    connect(synth, &SpeechSynthesizer::didFinishSpeaking, this,
            [this, synth](bool finished) { speechSynthesizerDidFinishSpeaking(synth, finished); });
    connect(synth, &SpeechSynthesizer::willSpeakWord, this,
            [this, synth](qsizetype location, qsizetype length, const QString& text) {
                speechSynthesizerWillSpeakWordOfString(synth, location, length, text);
            });
}

void Mac_media::ttsAddToQueue(const QString& sentence)
{
    m_ttsQueue.append(sentence);
    // Bounded: a queue that is never drained (no end reports) must not grow for ever.
    while (m_ttsQueue.size() > MaxQueueLength) {
        TRACE("speech queue full (%d sentences): dropped the oldest, \"%@\"", int(MaxQueueLength), m_ttsQueue.front());
        m_ttsQueue.removeFirst();
    }
}

void Mac_media::dbtts(const QString& sentence)
{
    ttsAddToQueue(sentence);
}

void Mac_media::ttsProcessQueue()
{
    if (m_tts_state != 0 || m_ttsQueue.isEmpty()) {
        return;
    }
    const QString sentence = m_ttsQueue.front();
    ttsSpeakForceSpeak(sentence, true);
    // Removed whether or not anything was spoken. The synthesizer reports later, never from inside
    // the start, so the front is still the sentence just taken.
    if (!m_ttsQueue.isEmpty()) {
        m_ttsQueue.removeFirst();
    }
}

void Mac_media::ttsSpeakForceSpeak(const QString& sentence, bool force)
{
    if (sentence.isEmpty()) {
        return;
    }
    if (!force && m_tts_state != 0) {
        return;
    }
    m_tts_state = 1;
    m_speechSynth->setVolume(m_speakVolume);
    m_speechSynth->setRate(m_speakRate);
    m_speechSynth->startSpeakingString(sentence);
}

void Mac_media::ttsStop()
{
    m_speechSynth->stopSpeaking();
}

void Mac_media::speak_volumeRate(float volume, float rate)
{
    m_speakVolume = volume;
    m_speakRate = rate;
}

void Mac_media::ttsFinshedTimeout()
{
    m_tts_state = 0;
}

void Mac_media::speechSynthesizerDidFinishSpeaking(SpeechSynthesizer*, bool)
{
    m_tts_state = 3;
    // A new grace timer each time; an earlier one still running is not cancelled.
    auto* timer = new QTimer(this);
    timer->setSingleShot(true);
    timer->setInterval(GraceDelayMs);
    connect(timer, &QTimer::timeout, this, [this, timer] {
        ttsFinshedTimeout();
        timer->deleteLater();
    });
    m_ttsTimeout = timer;
    timer->start();
}

void Mac_media::speechSynthesizerWillSpeakWordOfString(SpeechSynthesizer*, qsizetype, qsizetype, const QString&)
{
    m_tts_state = 2;
}

void Mac_media::greet()
{
    processLog(QStringLiteral("hello from Mac_media"));
}
