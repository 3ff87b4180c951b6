#include "NullSpeechSynthesizer.h"

#include <QTimer>

#include <algorithm>

namespace {
// espeak-ng's normal pace, which rate 0.2 stands for.
constexpr double WordsPerMinuteAtNormalRate = 175.0;
constexpr double NormalRate = 0.2;
} // namespace

NullSpeechSynthesizer::NullSpeechSynthesizer(QObject* parent) : SpeechSynthesizer(parent), m_timer(new QTimer(this))
{
    m_timer->setInterval(20);
    connect(m_timer, &QTimer::timeout, this, &NullSpeechSynthesizer::step);
}

NullSpeechSynthesizer::~NullSpeechSynthesizer() = default;

void NullSpeechSynthesizer::setVolume(float) {}

void NullSpeechSynthesizer::setRate(float rate)
{
    m_rate = rate;
}

bool NullSpeechSynthesizer::startSpeakingString(const QString& text)
{
    if (m_speaking) {
        finish(false);
    }
    const double rate = std::clamp(double(m_rate), 0.09, 0.5);
    const double msPerWord = 60000.0 / (WordsPerMinuteAtNormalRate * rate / NormalRate);
    m_words.clear();
    m_text = text;
    qsizetype i = 0;
    while (i < text.size()) {
        while (i < text.size() && text.at(i).isSpace()) {
            ++i;
        }
        const qsizetype start = i;
        while (i < text.size() && !text.at(i).isSpace()) {
            ++i;
        }
        if (i > start) {
            m_words.append({qint64(double(m_words.size()) * msPerWord), start, i - start});
        }
    }
    m_durationMs = qint64(double(m_words.size()) * msPerWord);
    m_nextWord = 0;
    m_speaking = true;
    m_clock.start();
    m_timer->start();
    return true;
}

void NullSpeechSynthesizer::stopSpeaking()
{
    if (m_speaking) {
        finish(false);
    }
}

void NullSpeechSynthesizer::step()
{
    const qint64 now = m_clock.elapsed();
    while (m_nextWord < m_words.size() && m_words[m_nextWord].atMs <= now) {
        const Word& w = m_words[m_nextWord++];
        emit willSpeakWord(w.location, w.length, m_text);
        if (!m_speaking) {
            return; // a receiver stopped or restarted us
        }
    }
    if (now >= m_durationMs) {
        finish(true);
    }
}

void NullSpeechSynthesizer::finish(bool finished)
{
    m_speaking = false;
    m_timer->stop();
    // Never from inside the caller's stop or start: the end report always arrives later.
    QMetaObject::invokeMethod(
        this, [this, finished] { emit didFinishSpeaking(finished); }, Qt::QueuedConnection);
}
