#include "Strings.h"

#include "Format.h"
#include "Numbers.h"
#include "ProcessLog.h"
#include "Trace.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

bool isAsciiDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

int hexDigit(char16_t c)
{
    if (isAsciiDigit(c)) {
        return c - u'0';
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    return -1;
}

// The white space a scanner skips before a number: blanks, tabs, line breaks and the other Unicode
// spaces, as the platform's scanners do.
qsizetype skipSpace(QStringView text, qsizetype i)
{
    while (i < text.size() && text.at(i).isSpace()) {
        ++i;
    }
    return i;
}

// The length of the character starting at i: 2 for a surrogate pair, 1 for anything else, a lone
// surrogate included.
qsizetype characterLength(const QString& text, qsizetype i)
{
    return text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() ? 2 : 1;
}

bool isLoneSurrogate(const QString& text, qsizetype i)
{
    return text.at(i).isSurrogate() && characterLength(text, i) == 1 &&
           !(i > 0 && text.at(i).isLowSurrogate() && text.at(i - 1).isHighSurrogate());
}

// Applies a case change to the text's characters; a lone surrogate is no letter and stays as it is
// (Qt's own case changes would turn it into U+FFFD).
template <typename Change> QString changeLetters(const QString& text, Change change)
{
    QString out;
    out.reserve(text.size());
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isLoneSurrogate(text, i)) {
            out += change(text.mid(runStart, i - runStart));
            out += text.at(i);
            runStart = i + 1;
        }
    }
    return out + change(text.mid(runStart));
}

QString lowered(const QString& text)
{
    return changeLetters(text, [](const QString& run) { return run.toLower(); });
}

QString uppered(const QString& text)
{
    return changeLetters(text, [](const QString& run) { return run.toUpper(); });
}

// First letter of each white-space separated word upper case, the rest lower case.
QString capitalizeWords(const QString& text)
{
    QString out;
    out.reserve(text.size());
    bool wordStart = true;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = characterLength(text, i);
        const QString character = text.mid(i, length);
        i += length;
        if (character.at(0).isSpace()) {
            wordStart = true;
            out += character;
            continue;
        }
        out += wordStart ? uppered(character) : lowered(character);
        wordStart = false;
    }
    return out;
}

} // namespace

Strings::Strings() = default;

// ---- Numbers and texts ----

bool Strings::stringisNumber(const QString& text)
{
    // The grammar by hand: QString::toDouble would accept trailing blanks, "inf" and "nan".
    const QStringView t(text);
    const qsizetype n = t.size();
    qsizetype i = skipSpace(t, 0);
    if (i < n && (t.at(i) == u'+' || t.at(i) == u'-')) {
        ++i;
    }
    qsizetype digits = 0;
    while (i < n && isAsciiDigit(t.at(i).unicode())) {
        ++i;
        ++digits;
    }
    if (i < n && t.at(i) == u'.') {
        ++i;
        while (i < n && isAsciiDigit(t.at(i).unicode())) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        return false;
    }
    if (i < n && (t.at(i) == u'e' || t.at(i) == u'E')) {
        ++i;
        if (i < n && (t.at(i) == u'+' || t.at(i) == u'-')) {
            ++i;
        }
        qsizetype expDigits = 0;
        while (i < n && isAsciiDigit(t.at(i).unicode())) {
            ++i;
            ++expDigits;
        }
        if (expDigits == 0) {
            // A scanner stops before a bare "e", which then is left over.
            return false;
        }
    }
    return i == n;
}

int Strings::NSStringToInt(const QString& text)
{
    return int(leadingInteger(text, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

std::optional<QVariant> Strings::NSStringToNSNumber(const QString& text)
{
    const QLocale locale;
    bool ok = false;
    const qlonglong whole = locale.toLongLong(text, &ok);
    if (ok) {
        return QVariant(qint64(whole));
    }
    const double real = locale.toDouble(text, &ok);
    if (!ok || !std::isfinite(real)) {
        return std::nullopt;
    }
    return QVariant(real);
}

QString Strings::intToNSString(int n)
{
    return QString::number(n);
}

QString Strings::addIntToNSStringNum(const QString& text, int n)
{
    return text + QString::number(n);
}

QString Strings::addToStrAddStr(const QString& a, const QString& b)
{
    return a + b;
}

QString Strings::addNewlineToStrAddStr(const QString& a, const QString& b)
{
    return a + u'\n' + b;
}

QString Strings::cStringToStr(const char* bytes)
{
    return bytes ? QString::fromUtf8(bytes) : QStringLiteral("(null)");
}

int Strings::strToInt(const QString& text)
{
    if (text.isEmpty()) {
        return 0;
    }
    return int(qint8(quint8(text.at(0).unicode() & 0xFF)));
}

QString Strings::getStrFromNum0_9(int n)
{
    if (n >= 0 && n <= 9) {
        return QString(QChar(u'0' + n));
    }
    processLogf("don't know str %d", n);
    return QStringLiteral("?");
}

QString Strings::getStrFromNum(int n)
{
    // One statement per digit: the order of the log lines for digits out of range is fixed.
    QString digits = getStrFromNum0_9(n / 1000);
    digits += getStrFromNum0_9(n / 100 % 10);
    digits += getStrFromNum0_9(n / 10 % 10);
    digits += getStrFromNum0_9(n % 10);
    return digits;
}

QString Strings::binaryStringFromIntegerWidth(qint64 n, int width)
{
    if (width <= 0) {
        return {};
    }
    width = qMin(width, 64);
    const quint64 bits = quint64(n);
    QString out;
    out.reserve(width + width / 8);
    for (int i = width - 1; i >= 0; --i) {
        out += (bits >> i) & 1U ? u'1' : u'0';
        if (i > 0 && i % 8 == 0) {
            out += u' ';
        }
    }
    return out;
}

QString Strings::numberToHexString(qint64 n)
{
    return QString::number(quint64(n), 16);
}

quint32 Strings::hexStringToInt(const QString& text)
{
    const QStringView t(text);
    qsizetype i = skipSpace(t, 0);
    if (i + 1 < t.size() && t.at(i) == u'0' && (t.at(i + 1) == u'x' || t.at(i + 1) == u'X')) {
        i += 2;
    }
    quint64 value = 0;
    for (; i < t.size(); ++i) {
        const int digit = hexDigit(t.at(i).unicode());
        if (digit < 0) {
            break;
        }
        value = qMin<quint64>(value * 16 + quint64(digit), std::numeric_limits<quint32>::max());
    }
    return quint32(value);
}

qint64 Strings::hexStringToXXX(const QString& text)
{
    return leadingInteger(text, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max());
}

QString Strings::strToHexStr(const QString& text)
{
    return QString::fromLatin1(text.toUtf8().toHex());
}

QString Strings::strToUUIDStr(const QString& text)
{
    if (text.size() != 32) {
        return {};
    }
    return format("%@-%@-%@-%@-%@", text.mid(0, 8), text.mid(8, 4), text.mid(12, 4), text.mid(16, 4), text.mid(20, 12));
}

bool Strings::strToBool(const QString& text)
{
    return text == QLatin1String("1") || text == QLatin1String("y") || text == QLatin1String("yes") ||
           text == QLatin1String("true");
}

QString Strings::boolAsStr(bool flag)
{
    return flag ? QStringLiteral("Yes") : QStringLiteral("No");
}

QString Strings::YorN(bool flag)
{
    return boolAsStr(flag);
}

QString Strings::convertNumberToKb(float bytes)
{
    double value = bytes;
    if (!(value > 1024.0)) {
        return format("%0.0f Bytes", value);
    }
    value /= 1024.0;
    if (!(value > 1024.0)) {
        return format("%0.2f KB", value);
    }
    value /= 1024.0;
    if (!(value > 1024.0)) {
        return format("%0.2f MB", value);
    }
    return format("%0.2f GB", value / 1024.0);
}

// ---- 5-bit letter code ----

int Strings::str_to_bit5(const QString& text)
{
    if (text.size() != 1) {
        return -1;
    }
    const char16_t c = text.at(0).toLower().unicode();
    if (c >= u'a' && c <= u'z') {
        return c - u'a' + 1;
    }
    if (c >= u'1' && c <= u'4') {
        return c - u'1' + 28;
    }
    return 0;
}

QString Strings::bit5_to_str(int code)
{
    if (code == 0) {
        return QStringLiteral(" ");
    }
    if (code >= 1 && code <= 27) {
        return QString(QChar(char16_t(96 + code)));
    }
    if (code >= 28 && code <= 31) {
        return QString(QChar(char16_t(21 + code)));
    }
    return QStringLiteral("???");
}

int Strings::str_to_bit16(const QString& text)
{
    if (text.size() != 3) {
        return -1;
    }
    return str_to_bit5(text.mid(0, 1)) + 32 * str_to_bit5(text.mid(1, 1)) + 1024 * str_to_bit5(text.mid(2, 1));
}

QString Strings::bit16_to_str(int n)
{
    // A negative number is read from its low 15 bits, like any other below 32768.
    if (n >= 32768) {
        return QStringLiteral("???");
    }
    return bit5_to_str(n & 31) + bit5_to_str((n >> 5) & 31) + bit5_to_str((n >> 10) & 31);
}

QString Strings::twoInts_to_strMinor(int a, int b)
{
    return bit16_to_str(a) + bit16_to_str(b);
}

QVariantList Strings::str_to_two_ints(const QString& text)
{
    const QString six = text.leftJustified(6, u' ', true);
    return {str_to_bit16(six.left(3)), str_to_bit16(six.mid(3, 3))};
}

// ---- Case and words ----

QString Strings::changeCaseMode(const QString& text, int mode)
{
    switch (mode) {
    case 0:
        return lowered(text);
    case 1:
        return uppered(text);
    case 2:
        return capitalizeWords(text);
    default:
        TRACE("dont know: %d", mode);
        return text;
    }
}

QString Strings::tidyAndCapitalize(const QString& text)
{
    return capitalizeWords(lowered(text));
}

QString Strings::trimWhitespace(const QString& text)
{
    return text.trimmed();
}

QStringList Strings::splitIntoWords(const QString& text)
{
    QStringList words;
    const QStringList lines = text.split(u'\n');
    for (const QString& line : lines) {
        words += line.split(u' ');
    }
    return words;
}

int Strings::numOfUppercaseChars(const QString& text)
{
    return int(std::count_if(text.cbegin(), text.cend(), [](QChar c) { return c >= u'A' && c <= u'Z'; }));
}

int Strings::numOfLowercaseChars(const QString& text)
{
    return int(std::count_if(text.cbegin(), text.cend(), [](QChar c) { return c >= u'a' && c <= u'z'; }));
}

int Strings::numOfNumberChars(const QString& text)
{
    return int(std::count_if(text.cbegin(), text.cend(), [](QChar c) { return isAsciiDigit(c.unicode()); }));
}

QString Strings::spacesForInt(int n)
{
    return n >= 10 ? QStringLiteral("  ") : QStringLiteral("   ");
}

QString Strings::truncateStrLengthTerminator(const QString& text, int length, const QString& terminator)
{
    const qsizetype n = qMax(length, 0);
    if (text.size() > n) {
        return text.left(n) + terminator;
    }
    return text;
}

void Strings::SCgreet()
{
    processLog(QStringLiteral("hello from SingletonTemplate"));
}
