#include "EspeakSpeechSynthesizer.h"

#include "Trace.h"

#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <QPointer>
#include <QTimer>

#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>

namespace {

constexpr int SampleRate = 22050;

// espeak-ng calls back on its own thread; the one live synthesizer receives what it produces.
std::atomic<EspeakSpeechSynthesizer*> g_receiver{nullptr};

int synthCallback(short* wav, int numsamples, espeak_EVENT* events)
{
    EspeakSpeechSynthesizer* receiver = g_receiver.load();
    if (!receiver || !events) {
        return 0;
    }
    const quint64 id = quint64(reinterpret_cast<quintptr>(events->user_data));
    QByteArray samples;
    if (wav && numsamples > 0) {
        samples = QByteArray(reinterpret_cast<const char*>(wav), qsizetype(numsamples) * qsizetype(sizeof(short)));
    }
    QList<EspeakSpeechSynthesizer::WordEvent> words;
    bool terminated = false;
    for (const espeak_EVENT* e = events; e->type != espeakEVENT_LIST_TERMINATED; ++e) {
        if (e->type == espeakEVENT_WORD && e->length > 0) { // espeak also marks pauses as empty words
            words.append({e->audio_position, e->text_position, e->length});
        } else if (e->type == espeakEVENT_MSG_TERMINATED) {
            terminated = true;
        }
    }
    QMetaObject::invokeMethod(
        receiver, [receiver, id, samples, words, terminated] { receiver->receive(id, samples, words, terminated); },
        Qt::QueuedConnection);
    return 0;
}

bool initialiseEngine()
{
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] {
        const int rate = espeak_Initialize(AUDIO_OUTPUT_RETRIEVAL, 200, nullptr, 0);
        if (rate <= 0) {
            TRACE("espeak-ng cannot start (no voice data?): speech is silent");
            return;
        }
        if (espeak_SetVoiceByName("en") != EE_OK) {
            TRACE("espeak-ng has no voice \"en\": speech is silent");
            return;
        }
        espeak_SetSynthCallback(synthCallback);
        ready = true;
    });
    return ready;
}

} // namespace

EspeakSpeechSynthesizer::EspeakSpeechSynthesizer(bool silent, QObject* parent)
    : SpeechSynthesizer(parent), m_silent(silent), m_timer(new QTimer(this))
{
    m_timer->setInterval(15);
    connect(m_timer, &QTimer::timeout, this, &EspeakSpeechSynthesizer::step);
    if (initialiseEngine()) {
        g_receiver.store(this);
    }
}

EspeakSpeechSynthesizer::~EspeakSpeechSynthesizer()
{
    EspeakSpeechSynthesizer* self = this;
    if (g_receiver.compare_exchange_strong(self, nullptr)) {
        espeak_Cancel();
    }
    if (m_sink) {
        m_sink->stop();
    }
}

bool EspeakSpeechSynthesizer::engineAvailable()
{
    return initialiseEngine();
}

void EspeakSpeechSynthesizer::setVolume(float volume)
{
    m_volume = volume;
}

void EspeakSpeechSynthesizer::setRate(float rate)
{
    m_rate = rate;
}

bool EspeakSpeechSynthesizer::startSpeakingString(const QString& text)
{
    if (m_speaking) {
        finish(false);
    }
    ++m_utterance;
    m_text = text;
    m_samples.clear();
    m_words.clear();
    m_nextWord = 0;
    m_playing = false;
    m_speaking = true;

    m_charOffsets.clear();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!(text.at(i).isLowSurrogate() && i > 0 && text.at(i - 1).isHighSurrogate())) {
            m_charOffsets.append(i);
        }
    }
    m_charOffsets.append(text.size());

    if (g_receiver.load() != this || text.isEmpty()) {
        finish(false);
        return false;
    }
    const int volume = std::clamp(int(std::lround(double(m_volume) * 100.0)), 0, 200);
    const double wpm = double(espeakRATE_NORMAL) * double(m_rate) / 0.2;
    const int rate = int(std::clamp(std::isfinite(wpm) ? wpm : double(espeakRATE_NORMAL), double(espeakRATE_MINIMUM),
                                    double(espeakRATE_MAXIMUM)));
    espeak_SetParameter(espeakVOLUME, volume, 0);
    espeak_SetParameter(espeakRATE, rate, 0);
    const QByteArray utf8 = text.toUtf8();
    const espeak_ERROR err = espeak_Synth(utf8.constData(), size_t(utf8.size()) + 1, 0, POS_CHARACTER, 0,
                                          espeakCHARS_UTF8, nullptr, reinterpret_cast<void*>(quintptr(m_utterance)));
    if (err != EE_OK) {
        TRACE("espeak-ng refused the text (%d)", int(err));
        finish(false);
        return false;
    }
    return true;
}

void EspeakSpeechSynthesizer::stopSpeaking()
{
    if (m_speaking) {
        finish(false);
    }
}

void EspeakSpeechSynthesizer::receive(quint64 id, const QByteArray& samples, const QList<WordEvent>& words,
                                      bool terminated)
{
    if (id != m_utterance || !m_speaking || m_playing) {
        return; // left over from an utterance that was stopped
    }
    m_samples.append(samples);
    m_words.append(words);
    if (terminated) {
        beginPlayback();
    }
}

void EspeakSpeechSynthesizer::beginPlayback()
{
    m_playing = true;
    m_buffer.close();
    m_buffer.setData(m_samples);
    m_buffer.open(QIODevice::ReadOnly);
    bool audible = false;
    if (!m_silent && !m_sinkFailed) {
        if (!m_sink) {
            QAudioFormat format;
            format.setSampleRate(SampleRate);
            format.setChannelCount(1);
            format.setSampleFormat(QAudioFormat::Int16);
            m_sink = new QAudioSink(QMediaDevices::defaultAudioOutput(), format, this);
        }
        m_sink->stop();
        m_sink->start(&m_buffer);
        // With no sound server the sink fails at once and emits nothing.
        if (m_sink->error() == QAudio::OpenError || m_sink->state() == QAudio::StoppedState) {
            TRACE("no sound output: speech continues silently");
            m_sinkFailed = true;
        } else {
            audible = true;
        }
    }
    if (!audible && m_sink) {
        m_sink->stop();
    }
    m_clock.start();
    m_timer->start();
    step();
}

qint64 EspeakSpeechSynthesizer::playedMs() const
{
    if (m_sink && !m_sinkFailed && !m_silent) {
        return m_sink->processedUSecs() / 1000;
    }
    return m_clock.elapsed();
}

void EspeakSpeechSynthesizer::step()
{
    if (!m_speaking || !m_playing) {
        return;
    }
    if (m_sink && !m_sinkFailed && !m_silent && m_sink->state() == QAudio::StoppedState &&
        m_sink->error() != QAudio::NoError) {
        // The sound server went away mid-utterance: finish on the clock.
        TRACE("sound output failed (%d): speech continues silently", int(m_sink->error()));
        m_sinkFailed = true;
    }
    const quint64 utterance = m_utterance;
    const qint64 now = playedMs();
    while (m_nextWord < m_words.size() && m_words[m_nextWord].atMs <= now) {
        const WordEvent& w = m_words[m_nextWord++];
        const qsizetype first = std::clamp<qsizetype>(w.textPosition - 1, 0, m_charOffsets.size() - 1);
        const qsizetype last = std::clamp<qsizetype>(first + std::max(w.length, 0), 0, m_charOffsets.size() - 1);
        emit willSpeakWord(m_charOffsets[first], m_charOffsets[last] - m_charOffsets[first], m_text);
        if (utterance != m_utterance || !m_speaking) {
            return; // a receiver stopped or restarted the speech
        }
    }
    const qint64 durationMs = m_samples.size() / qsizetype(sizeof(short)) * 1000 / SampleRate;
    const bool drained = m_sink && !m_sinkFailed && !m_silent && m_buffer.atEnd() &&
                         (m_sink->state() == QAudio::IdleState || m_sink->state() == QAudio::StoppedState);
    // The clock bounds the wait too, so that a stalled sink can never withhold the end report.
    constexpr qint64 SinkSlackMs = 3000;
    if (now >= durationMs || drained || m_clock.elapsed() > durationMs + SinkSlackMs) {
        finish(true);
    }
}

void EspeakSpeechSynthesizer::finish(bool finished)
{
    if (!finished) {
        espeak_Cancel();
        if (m_sink && m_playing) {
            m_sink->stop();
        }
    }
    m_speaking = false;
    m_playing = false;
    m_timer->stop();
    // Never from inside the caller's stop or start: the end report always arrives later.
    QMetaObject::invokeMethod(
        this, [this, finished] { emit didFinishSpeaking(finished); }, Qt::QueuedConnection);
}
