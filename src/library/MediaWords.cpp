// Word processing of Media: one written word becomes the items that speak it (numbers, single
// characters, dotted abbreviations, and word stems with their endings).

#include "Media.h"

#include "Strings.h"
#include "Trace.h"

#include <cmath>

void Media::processWord(const QString& word)
{
    if (word.isEmpty()) {
        return;
    }
    const float value = float(leadingNumber(word));
    if (value != 0.0F) {
        // Beyond what an unsigned 64-bit count holds there is nothing to say.
        if (!(std::fabs(value) < 1.8446744e19F)) {
            TRACE("Velbor: DON'T KNOW:%@", word);
            return;
        }
        if (value < 0.0F) {
            // No file speaks a sign: a negative number is "minus" and its magnitude.
            addItemToQueue(QStringLiteral("minus"));
        }
        addNumberToQueue(std::uint64_t(std::fabs(value)));
        return;
    }
    if (word == QLatin1String("0")) {
        addNumberToQueue(0);
        return;
    }
    if (processSingleChars(word) || processAbbreviations(word)) {
        return;
    }
    const QString trimmed = tidyWord(word);
    if (!m_processWordEnd || !(processWordEndings(trimmed) || processGerund(trimmed) || processSimplePast(trimmed))) {
        addItemToQueue(trimmed);
    }
    if (m_pause) {
        addItemToQueue(QStringLiteral("waitShort"));
        m_pause = false;
    }
}

bool Media::processSingleChars(const QString& word)
{
    if (word.size() != 1) {
        return false;
    }
    const int code = m_st->strToInt(word);
    addItemToQueue(isCharPause(code) ? charToStr(code) : word);
    return true;
}

bool Media::processAbbreviations(const QString& word)
{
    const QStringList parts = word.split(u'.');
    for (const QString& part : parts) {
        if (part.size() != 1) {
            return false;
        }
    }
    for (const QString& part : parts) {
        addItemToQueue(part.toUpper());
    }
    return true;
}

QString Media::tidyWord(const QString& word)
{
    QString w = word;
    if (!w.isEmpty() && !isChar(m_st->strToInt(w.right(1)))) {
        m_pause = isCharPause(m_st->strToInt(w.right(1)));
        w.chop(1);
    }
    if (!w.isEmpty() && !isChar(m_st->strToInt(w.left(1)))) {
        w.remove(0, 1);
    }
    return w.toLower();
}

bool Media::processWordEndings(const QString& w)
{
    const qsizetype n = w.size();
    if (n >= 4 && w.endsWith(QLatin1String("ies"))) {
        addItemToQueue(w.chopped(3) + u'y');
        addItemToQueue(QStringLiteral("s1"));
        return true;
    }
    if (n >= 4 && w.endsWith(QLatin1String("n't"))) {
        addItemToQueue(w.chopped(3));
        addItemToQueue(QStringLiteral("nt"));
        return true;
    }
    if (n >= 3) {
        for (const char* ending : {"as", "is", "os", "us", "ss"}) {
            if (w.endsWith(QLatin1String(ending))) {
                addItemToQueue(w);
                return true;
            }
        }
        if (w.endsWith(QLatin1String("es"))) {
            addItemToQueue(w.chopped(2) + u'e');
            addItemToQueue(QStringLiteral("es"));
            return true;
        }
    }
    if (n == 2 && w == QLatin1String("is")) {
        addItemToQueue(w);
        return true;
    }
    if (n < 2) {
        return false;
    }
    if (w.endsWith(u's')) {
        const QString stem = w.chopped(1);
        if (!processGerund(stem)) {
            addItemToQueue(stem);
        }
        addItemToQueue(QStringLiteral("s1"));
        return true;
    }
    return false;
}

bool Media::processGerund(const QString& w)
{
    if (w.size() < 4 || !w.endsWith(QLatin1String("ing"))) {
        return false;
    }
    const QString stem = processStrWithArray(
        w.chopped(3), {QStringLiteral("clos"), QStringLiteral("close"), QStringLiteral("havehaving")});
    addItemToQueue(stem);
    addItemToQueue(QStringLiteral("ing"));
    return true;
}

bool Media::processSimplePast(const QString& w)
{
    if (w.size() < 3) {
        return false;
    }
    if (w.endsWith(QLatin1String("ted")) || w.endsWith(QLatin1String("ded"))) {
        addItemToQueue(w.chopped(2));
        addItemToQueue(QStringLiteral("ed"));
        return true;
    }
    if (w.endsWith(QLatin1String("ied"))) {
        addItemToQueue(w.chopped(3) + u'y');
        addItemToQueue(QStringLiteral("d1"));
        return true;
    }
    if (w.endsWith(QLatin1String("red"))) {
        return false;
    }
    if (w.endsWith(QLatin1String("ed"))) {
        addItemToQueue(w.chopped(2));
        addItemToQueue(QStringLiteral("d1"));
        return true;
    }
    return false;
}

QString Media::processStrWithArray(const QString& text, const QStringList& list)
{
    if (list.size() % 2 == 0) {
        TRACE("invalid array");
        return QStringLiteral("beep");
    }
    QString t = text;
    for (qsizetype i = 0; i + 1 < list.size(); i += 2) {
        if (t == list[i]) {
            t = list[i + 1];
        }
    }
    return t;
}

bool Media::isChar(int code) const
{
    return (code >= 'a' && code <= 'z') || (code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9');
}

bool Media::isCharPause(int code) const
{
    return code == 33 || code == 44 || code == 46 || code == 58 || code == 59 || code == 63;
}

QString Media::charToStr(int code) const
{
    switch (code) {
    case 33:
        return QStringLiteral("exclamationmark");
    case 44:
        return QStringLiteral("comma");
    case 46:
        return QStringLiteral("period");
    case 58:
        return QStringLiteral("colon");
    case 59:
        return QStringLiteral("semicolon");
    case 63:
        return QStringLiteral("questionmark");
    default:
        return {};
    }
}
