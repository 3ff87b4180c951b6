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

// The last component's extension as the file-name operations see it (after the last "." of the last
// path component); nullopt when the component has no ".".
std::optional<qsizetype> extensionDot(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot < 0 || dot < slash) {
        return std::nullopt;
    }
    return dot;
}

// The path with any trailing "/" removed; a path made only of "/" stays "/".
QString withoutTrailingSlashes(const QString& path)
{
    qsizetype end = path.size();
    while (end > 1 && path.at(end - 1) == u'/') {
        --end;
    }
    return path.left(end);
}

// The splices search with a plain case-sensitive search; an empty marker counts as missing.
qsizetype findFirst(const QString& text, const QString& part)
{
    if (part.isEmpty()) {
        return -1;
    }
    return text.indexOf(part, 0, Qt::CaseSensitive);
}

QString capitalizeWords(const QString& text)
{
    QString out = text;
    bool wordStart = true;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const QChar c = out.at(i);
        if (c.isSpace()) {
            wordStart = true;
            continue;
        }
        out[i] = wordStart ? c.toUpper() : c.toLower();
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
    return getStrFromNum0_9(n / 1000) + getStrFromNum0_9(n / 100 % 10) + getStrFromNum0_9(n / 10 % 10) +
           getStrFromNum0_9(n % 10);
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
    if (n < 0 || n >= 32768) {
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
        return text.toLower();
    case 1:
        return text.toUpper();
    case 2:
        return capitalizeWords(text);
    default:
        TRACE("dont know: %d", mode);
        return text;
    }
}

QString Strings::tidyAndCapitalize(const QString& text)
{
    return capitalizeWords(text.toLower());
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

// ---- Tests ----

bool Strings::isStrIn(const QString& part, const QString& text)
{
    return findFirst(text, part) >= 0;
}

bool Strings::isPrefixIn(const QString& part, const QString& text)
{
    return !part.isEmpty() && text.startsWith(part);
}

bool Strings::isSuffixIn(const QString& part, const QString& text)
{
    return !part.isEmpty() && text.endsWith(part);
}

int Strings::searchStrForSubStr(const QString& text, const QString& part)
{
    return int(findFirst(text, part));
}

int Strings::isFilenameSameAsName(const QString& file, const QString& name)
{
    const QStringList pieces = file.split(u'.');
    if (pieces.size() != 2) {
        return -1;
    }
    return pieces.at(0) == name ? 1 : 0;
}

int Strings::isFilenameExtSameAsExt(const QString& file, const QString& ext)
{
    const QStringList pieces = file.split(u'.');
    if (pieces.size() != 2) {
        return -1;
    }
    return pieces.at(1) == ext ? 1 : 0;
}

bool Strings::isStrSndFile(const QString& name)
{
    static const QStringList kinds = {
        QStringLiteral("aac"), QStringLiteral("aif"), QStringLiteral("aiff"), QStringLiteral("caf"),
        QStringLiteral("mp3"), QStringLiteral("mp4"), QStringLiteral("m4a"),  QStringLiteral("snd"),
        QStringLiteral("au"),  QStringLiteral("sd2"), QStringLiteral("wav"),
    };
    return kinds.contains(getExtFromStr(name).toLower());
}

bool Strings::isStrMovieFile(const QString& name)
{
    return getExtFromStr(name).toLower() == QLatin1String("mov");
}

// ---- File names ----

QString Strings::addExtToStrExt(const QString& name, const QString& ext)
{
    return name + u'.' + ext;
}

QString Strings::removeExtFromStr(const QString& name)
{
    const QString path = withoutTrailingSlashes(name);
    const auto dot = extensionDot(path);
    return dot ? path.left(*dot) : path;
}

QString Strings::getExtFromStr(const QString& name)
{
    const QString path = withoutTrailingSlashes(name);
    const auto dot = extensionDot(path);
    return dot ? path.mid(*dot + 1) : QString();
}

QString Strings::getfileNameFromPathFile(const QString& path)
{
    const QString p = withoutTrailingSlashes(path);
    if (p == QLatin1String("/")) {
        return p;
    }
    return p.mid(p.lastIndexOf(u'/') + 1);
}

QString Strings::getPathFromPathFile(const QString& path)
{
    const QString p = withoutTrailingSlashes(path);
    const qsizetype slash = p.lastIndexOf(u'/');
    if (slash < 0) {
        return {};
    }
    if (slash == 0) {
        return QStringLiteral("/");
    }
    return withoutTrailingSlashes(p.left(slash));
}

std::optional<QString> Strings::addCopyToStr(const QString& name)
{
    const QStringList pieces = name.split(u'-');
    switch (pieces.size()) {
    case 1:
        return format("%@-copy", name);
    case 2:
        return format("%@-copy-2", pieces.at(0));
    case 3:
        // 64-bit sum: the largest saturated count still rises by one.
        return format("%@-copy-%lld", pieces.at(0), qint64(NSStringToInt(pieces.at(2))) + 1);
    default:
        return std::nullopt;
    }
}

std::optional<QString> Strings::addNumberToStr(const QString& name)
{
    const QStringList pieces = name.split(u'-');
    switch (pieces.size()) {
    case 1:
        return format("%@-1", name);
    case 2:
        return format("%@-%lld", pieces.at(0), qint64(NSStringToInt(pieces.at(1))) + 1);
    default:
        return std::nullopt;
    }
}

std::optional<QString> Strings::addVersionToStr(const QString& name)
{
    const QStringList pieces = name.split(u'-');
    if (pieces.size() == 1) {
        return format("%@-1v1", name);
    }
    if (pieces.size() != 2) {
        return std::nullopt;
    }
    const QStringList version = pieces.at(1).split(u'v');
    qint64 major = NSStringToInt(version.at(0));
    qint64 minor = version.size() > 1 ? NSStringToInt(version.at(1)) : 0;
    ++minor;
    if (minor >= 10) {
        minor = 0;
        ++major;
    }
    return format("%@-%lldv%lld", pieces.at(0), major, minor);
}

QString Strings::getDeviceLanguage()
{
    const QStringList languages = QLocale().uiLanguages();
    QString first = languages.isEmpty() ? QString() : languages.first();
    first = first.section(u'-', 0, 0).section(u'_', 0, 0);
    if (first.isEmpty() || first == QLatin1String("C") || first == QLatin1String("POSIX")) {
        return QStringLiteral("en");
    }
    return first;
}

// ---- Splicing around markers ----

QString Strings::replaceStrWithSource(const QString& oldText, const QString& newText, const QString& source)
{
    const qsizetype at = findFirst(source, oldText);
    if (at < 0) {
        TRACE("VELBOR:WARNING: old str");
        return source;
    }
    return format("%@%@%@", source.left(at), newText, source.mid(at + oldText.size()));
}

QString Strings::insertStrAfterStrSource(const QString& text, const QString& marker, const QString& source)
{
    const qsizetype at = findFirst(source, marker);
    if (at < 0) {
        TRACE("VELBOR:WARNING: no start str");
        return source;
    }
    const qsizetype end = at + marker.size();
    return format("%@%@%@", source.left(end), text, source.mid(end));
}

QString Strings::insertStrBeforeStrSource(const QString& text, const QString& marker, const QString& source)
{
    const qsizetype at = findFirst(source, marker);
    if (at < 0) {
        TRACE("VELBOR:WARNING: start str not found");
        return source;
    }
    // The unit just before the marker (usually its line break) gives way to the text and a line break;
    // a marker at position 0 has none, so nothing is lost there.
    return format("%@%@\n%@", source.left(qMax<qsizetype>(at - 1, 0)), text, source.mid(at));
}

QString Strings::extractStrAterToSource(const QString& start, const QString& end, const QString& source)
{
    const qsizetype from = findFirst(source, start);
    const qsizetype to = findFirst(source, end);
    if (from < 0 || to < 0) {
        TRACE("VELBOR:WARNING: start or end not found");
        return source;
    }
    const qsizetype begin = from + start.size();
    if (to < begin) {
        return {};
    }
    return source.mid(begin, to - begin);
}

QString Strings::removeStrAterToSource(const QString& start, const QString& end, const QString& source)
{
    const qsizetype from = findFirst(source, start);
    const qsizetype to = findFirst(source, end);
    if (from < 0 || to < 0) {
        TRACE("VELBOR:WARNING: start or end not found");
        return source;
    }
    QString tail = source.mid(to);
    tail.chop(1);
    return format("%@%@", source.left(qMax<qsizetype>(from - 1, 0)), tail);
}

QString Strings::extractStrFromUntil(const QString& source, int from, int until)
{
    const qint64 size = source.size();
    qint64 length = qint64(until) + 1;
    if (length < from) {
        return {};
    }
    if (until >= size - 3) {
        length = size - 3;
    }
    if (from < 0 || from > size || length <= 0) {
        return {};
    }
    length = qMin(length, size - from);
    return source.mid(from, length);
}

QString Strings::removeTrailingCharFromStr(QChar character, const QString& text)
{
    if (!text.isEmpty() && text.back() == character) {
        return text.left(text.size() - 1);
    }
    return text;
}

QString Strings::removeTrailingCharsFromStr(const QString& characters, const QString& text)
{
    QString out = text;
    for (const QChar c : characters) {
        out = removeTrailingCharFromStr(c, out);
    }
    return out;
}

QString Strings::removePunctuationFromEnd(const QString& text)
{
    if (text.isEmpty()) {
        return text;
    }
    const int code = strToInt(text.right(1));
    const bool keep = (code >= '0' && code <= '9') || (code >= 'a' && code <= 'z') || (code >= 'A' && code <= 'Z');
    if (keep) {
        return text;
    }
    // A character outside the Basic Multilingual Plane goes as a whole: dropping only its low surrogate
    // would leave a broken text behind.
    const qsizetype n = text.size();
    const bool pair = n >= 2 && text.at(n - 1).isLowSurrogate() && text.at(n - 2).isHighSurrogate();
    return text.left(n - (pair ? 2 : 1));
}

void Strings::SCgreet()
{
    processLog(QStringLiteral("hello from SingletonTemplate"));
}
