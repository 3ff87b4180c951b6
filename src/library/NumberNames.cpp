// Number names of the string service: whole numbers spelled out in English words, in the American
// form ("two hundred thirty four") or the British form ("two hundred and thirty four"). The texts are
// built for speaking, so the blanks between and around the words are part of the answer.

#include "Strings.h"

#include "Trace.h"

#include <limits>

namespace {
// Word table of getNumberName: 0 to 20, then the tens. "fourty" is the table's own spelling.
const char* const kUpToTwenty[21] = {"zero",     "one",     "two",     "three",     "four",     "five",     "six",
                                     "seven",    "eight",   "nine",    "ten",       "eleven",   "twelve",   "thirteen",
                                     "fourteen", "fifteen", "sixteen", "seventeen", "eighteen", "nineteen", "twenty"};
const char* const kTens[10] = {nullptr, nullptr, "twenty",  "thirty", "fourty",
                               "fifty", "sixty", "seventy", "eighty", "ninety"};

constexpr quint64 Thousand = 1000ULL;
constexpr quint64 Million = Thousand * Thousand;
constexpr quint64 Billion = Million * Thousand;
constexpr quint64 Trillion = Billion * Thousand;

// The magnitude of n without negating a signed value: the most negative 64-bit number has no
// positive counterpart, so the magnitude is computed in unsigned arithmetic.
quint64 magnitude(qint64 n)
{
    return n < 0 ? 0ULL - static_cast<quint64>(n) : static_cast<quint64>(n);
}
} // namespace

QString Strings::getNumberName(int number)
{
    if (number >= 0 && number <= 20) {
        return QString::fromLatin1(kUpToTwenty[number]);
    }
    if (number > 20 && number < 100 && number % 10 == 0) {
        return QString::fromLatin1(kTens[number / 10]);
    }
    TRACE("Velbor: DON'T KNOW:%d", number);
    return QStringLiteral("??");
}

QString Strings::hundredsToStringUkEnglish(qint64 number, bool ukEnglish)
{
    QString text;
    const qint64 hundreds = number / 100;
    if (hundreds > 0) {
        // A hundreds count beyond the 32-bit range of the word table would be cut down to a wrong but
        // valid index; it has no word, so it answers the table's unknown word like any other.
        const int index = hundreds > std::numeric_limits<int>::max() ? -1 : static_cast<int>(hundreds);
        text = getNumberName(index) + QStringLiteral(" hundred");
        if (ukEnglish) {
            text += QStringLiteral(" and");
        }
    }
    const qint64 rest = number - 100 * hundreds;
    if (rest > 19) {
        const qint64 tens = rest / 10 * 10;
        text += u' ' + getNumberName(static_cast<int>(tens));
        const qint64 units = rest - tens;
        if (units > 0) {
            text += u' ' + getNumberName(static_cast<int>(units));
        }
    } else if (rest >= 1) {
        text += u' ' + getNumberName(static_cast<int>(rest));
    }
    return text;
}

QString Strings::numberToStringUkEnglish(qint64 number, bool ukEnglish)
{
    if (number == 0) {
        return QStringLiteral("zero");
    }
    QString text = number < 0 ? QStringLiteral("minus ") : QString();
    const quint64 n = magnitude(number);

    // Every group is below 10^7 (the largest magnitude holds 9 223 372 trillions), so the casts are exact.
    const struct
    {
        quint64 value;
        const char* word;
    } groups[] = {
        {n / Trillion, " trillion "},
        {n % Trillion / Billion, " billion "},
        {n % Billion / Million, " million "},
        {n % Million / Thousand, " thousand "},
        {n % Thousand, " "},
    };
    for (const auto& group : groups) {
        if (group.value > 0) {
            text += hundredsToStringUkEnglish(static_cast<qint64>(group.value), ukEnglish) +
                    QString::fromLatin1(group.word);
        }
    }
    return text;
}
