#include "FakeSpeechSynthesizer.h"

bool FakeSpeechSynthesizer::startSpeakingString(const QString& text)
{
    if (m_speaking) {
        reportCutShort();
    }
    m_starts.append({text, m_volume, m_rate});
    m_speaking = true;
    return true;
}

void FakeSpeechSynthesizer::stopSpeaking()
{
    ++m_stops;
    if (m_speaking) {
        reportCutShort();
    }
}

QStringList FakeSpeechSynthesizer::spoken() const
{
    QStringList texts;
    for (const Start& s : m_starts) {
        texts.append(s.text);
    }
    return texts;
}

void FakeSpeechSynthesizer::speakWord()
{
    if (m_speaking && !m_starts.isEmpty()) {
        const QString& text = m_starts.back().text;
        const qsizetype blank = text.indexOf(QLatin1Char(' '));
        emit willSpeakWord(0, blank < 0 ? text.size() : blank, text);
    }
}

void FakeSpeechSynthesizer::finishUtterance(bool finished)
{
    if (m_speaking) {
        m_speaking = false;
        emit didFinishSpeaking(finished);
    }
}

void FakeSpeechSynthesizer::reportCutShort()
{
    m_speaking = false;
    QMetaObject::invokeMethod(
        this, [this] { emit didFinishSpeaking(false); }, Qt::QueuedConnection);
}
