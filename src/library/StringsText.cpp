// Tests over texts, file names and the splices around marker strings of the string service.

#include "Strings.h"

#include "Format.h"
#include "Trace.h"

#include <QLocale>

namespace {

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

} // namespace

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
