// HTML building of the string service. Every operation pastes its arguments into fixed templates
// unchanged: nothing is escaped or validated, so the caller decides what markup reaches the page.

#include "Strings.h"

#include "FS.h"
#include "Files.h"
#include "Trace.h"

namespace {
// The markers the insert operations look for in a document made by htmlCreateDocumentWithBody.
const QString kStyleStart = QStringLiteral("<!--\n");
const QString kStyleEnd = QStringLiteral("-->");
const QString kBodyStart = QStringLiteral("<body>\n");
const QString kBodyEnd = QStringLiteral("</body>");

// htmlSpaces beyond this count would ask for gigabytes; such a request answers "".
constexpr int MaxSpaces = 1 << 16;

// The text of a file to insert, or "" with the warning when it cannot be read: the insert goes on.
QString textOrWarning(const std::optional<QString>& text)
{
    if (!text) {
        TRACE("VELBOR WARNING: file not found");
        return {};
    }
    return *text;
}

// The tag-stripping scan: each "<...>" of the given text, read up to but not including its ">",
// is offered to the filter; every occurrence of an accepted tag text followed by ">" is removed from
// the working copy.
template <typename Filter> QString removeTags(const QString& html, Filter accept)
{
    QString result = html;
    qsizetype from = 0;
    while (from < html.size()) {
        const qsizetype open = html.indexOf(u'<', from);
        if (open < 0) {
            break;
        }
        const qsizetype close = html.indexOf(u'>', open);
        if (close < 0) {
            break;
        }
        const QString tagText = html.mid(open, close - open);
        if (accept(tagText)) {
            result.remove(tagText + u'>');
        }
        from = close;
    }
    return result;
}
} // namespace

QString Strings::htmlTagWithTag(const QString& text, const QString& tag)
{
    return u'<' + tag + u'>' + text + QStringLiteral("</") + tag + u'>';
}

QString Strings::htmlBold(const QString& text)
{
    return htmlTagWithTag(text, QStringLiteral("b"));
}

QString Strings::htmlItalics(const QString& text)
{
    return htmlTagWithTag(text, QStringLiteral("i"));
}

QString Strings::htmlUnderline(const QString& text)
{
    return htmlTagWithTag(text, QStringLiteral("u"));
}

QString Strings::htmlParagraph(const QString& text)
{
    return htmlTagWithTag(text, QStringLiteral("p"));
}

QString Strings::htmlNewline()
{
    return QStringLiteral("<br>");
}

QString Strings::htmlCenter(const QString& text)
{
    return QStringLiteral("<CENTER>") + text + QStringLiteral("</CENTER>");
}

QString Strings::htmlFontColorHexColor(const QString& text, const QString& hexColor)
{
    return QStringLiteral("<font color=\"#") + hexColor + QStringLiteral("\">") + text + QStringLiteral("</font>");
}

QString Strings::htmlFontSizeSize(const QString& text, int size)
{
    if (size < 1 || size > 7) {
        TRACE("Warning: Invalid font size:%d  Size must be between 1 and 7", size);
    }
    return QStringLiteral("<font size=\"") + QString::number(size) + QStringLiteral("\">") + text +
           QStringLiteral("</font>");
}

QString Strings::htmlSpaces(int count)
{
    if (count < 1) {
        return {};
    }
    if (count > MaxSpaces) {
        TRACE("VELBOR WARNING: too many spaces:%d", count);
        return {};
    }
    return QStringLiteral("&nbsp;").repeated(count);
}

QString Strings::htmlAlignAlign(const QString& text, int align)
{
    QString value;
    switch (align) {
    case 1:
        value = QStringLiteral("left");
        break;
    case 2:
        value = QStringLiteral("right");
        break;
    case 3:
        value = QStringLiteral("center");
        break;
    default:
        value = QStringLiteral("justify");
        break;
    }
    return QStringLiteral("<div align='") + value + QStringLiteral("'>") + text + QStringLiteral("</div>");
}

QString Strings::htmlHighlightTxtWithColor(const QString& text, const QString& color)
{
    return QStringLiteral("<FONT style=\"BACKGROUND-COLOR:") + color + QStringLiteral("\">") + text +
           QStringLiteral("</FONT>");
}

QString Strings::htmlStrToLinkLink(const QString& text, const QString& link)
{
    return QStringLiteral("<a href=\"") + link + QStringLiteral("\">") + text + QStringLiteral("</a>");
}

QString Strings::htmlImgWidthHeightAlign(const QString& source, int width, int height, int align)
{
    Q_UNUSED(align) // accepted for callers that pass it; the element carries no alignment
    return QStringLiteral("<img src=\"") + source + QStringLiteral("\"  width=\"") + QString::number(width) +
           QStringLiteral("\"  height=\"") + QString::number(height) + QStringLiteral("\"  />");
}

QString Strings::htmlVideoWidthHeight(const QString& source, int width, int height)
{
    return QStringLiteral("<video width=\"") + QString::number(width) + QStringLiteral("\" height=\"") +
           QString::number(height) + QStringLiteral("\" controls>") + QStringLiteral("<source src=\"") + source +
           QStringLiteral("\" type=\"video/mp4\">") + QStringLiteral("Your browser does not support the video tag.") +
           QStringLiteral("</video>");
}

QString Strings::htmlAudio(const QString& source)
{
    return QStringLiteral("<audio controls>") + QStringLiteral("<source src=\"") + source +
           QStringLiteral("\" type=\"audio/mpeg\">") +
           QStringLiteral("Your browser does not support the audio element.") + QStringLiteral("</audio>");
}

QString Strings::htmlBackgroundColorBody(const QString& color, const QString& body)
{
    return QStringLiteral("<html><body style='background-color: ") + color + QStringLiteral("'>") + body +
           QStringLiteral("</body></html>");
}

QString Strings::htmlBackgroundWidthHeightPaddingBorderColorRepeats(const QString& address, int width, int height,
                                                                    int padding, int border, const QString& color,
                                                                    bool repeats)
{
    Q_UNUSED(repeats) // accepted for callers that pass it; the rule always scales the image to the box
    const QString url = QStringLiteral("<background:url(") + address + QStringLiteral(");");
    const QString box = QStringLiteral("padding:") + QString::number(padding) + QStringLiteral("px;width:") +
                        QString::number(width) + QStringLiteral("px;height:") + QString::number(height) +
                        QStringLiteral("px;");
    const QString frame = QStringLiteral("border:") + QString::number(border) + QStringLiteral("px ") + color +
                          QStringLiteral(";  background-size:100%");
    return url + u' ' + box + u' ' + frame + u' ' + QStringLiteral(">\n");
}

QString Strings::htmlEncloseAllOfWithStrAndEnclosing(const QString& source, const QString& text, const QString& tag)
{
    const QString enclosed = htmlTagWithTag(text, tag);
    TRACE("enclosedStr: %@", enclosed);
    if (text.isEmpty()) {
        // An empty text occurs nowhere; replacing it would put the tags between every two characters.
        return source;
    }
    return QString(source).replace(text, enclosed);
}

QString Strings::htmlHighlightAllStrsWithStrAndColor(const QString& source, const QString& text, const QString& color)
{
    if (text.isEmpty()) {
        return source;
    }
    return QString(source).replace(text, htmlHighlightTxtWithColor(text, color));
}

QString Strings::htmlReplaceTaggedWithWithSource(const QString& tag, const QString& replacement, const QString& source)
{
    const QString opening = u'<' + tag + u'>';
    const QString closing = QStringLiteral("</") + tag + u'>';
    const qsizetype open = source.indexOf(opening);
    if (open < 0) {
        return source;
    }
    const qsizetype contentStart = open + opening.size();
    // The closing tag is looked for after the opening one: a stray closing tag in front of the element
    // would otherwise repeat part of the source.
    const qsizetype close = source.indexOf(closing, contentStart);
    if (close < 0) {
        return source;
    }
    return source.left(contentStart) + replacement + source.mid(close);
}

QString Strings::htmlAddStrAfterStartTagSource(const QString& text, const QString& tag, const QString& source)
{
    return insertStrAfterStrSource(text, u'<' + tag + u'>', source);
}

QString Strings::htmlAddStrBeforeEndTagSource(const QString& text, const QString& tag, const QString& source)
{
    return insertStrBeforeStrSource(text, QStringLiteral("</") + tag + u'>', source);
}

QString Strings::htmlCreateDocumentWithBody(const QString& body)
{
    const QString head = QStringLiteral("<html>\n\n<head>\n<style type='text/css' media='all'>\n<!--\n");
    const QString styleEnd = QStringLiteral("-->\n</style>\n</head>\n\n<body>\n");
    const QString tail = QStringLiteral("\n</body>\n</html>\n");
    return head + u' ' + styleEnd + u' ' + body + u' ' + tail;
}

QString Strings::htmlStyleInsertHtml(const QString& rules, const QString& html)
{
    return insertStrBeforeStrSource(rules, kStyleEnd, html);
}

QString Strings::htmlStyleAddFontAndSizeHtml(const QString& font, int size, const QString& html)
{
    const QString rules = QStringLiteral("font-family:") + font + QStringLiteral(";\nfont-size:") +
                          QString::number(size) + QStringLiteral(";\n");
    return insertStrAfterStrSource(rules, kStyleStart, html);
}

QString Strings::htmlStyleAddTxtColorHtml(const QString& color, const QString& html)
{
    return insertStrAfterStrSource(QStringLiteral("color:") + color + QStringLiteral(";\n"), kStyleStart, html);
}

QString Strings::htmlBodyAddBackgroundColorHtml(const QString& color, const QString& html)
{
    return insertStrAfterStrSource(QStringLiteral("background-color:") + color + QStringLiteral(";\n"), kBodyStart,
                                   html);
}

QString Strings::htmlAddBodyHtml(const QString& text, const QString& html)
{
    return insertStrAfterStrSource(text, kBodyStart, html);
}

QString Strings::htmlAddToBodyHtml(const QString& text, const QString& html)
{
    return insertStrBeforeStrSource(text, kBodyEnd, html);
}

QString Strings::htmlStyleInsertBundleFileHtml(const QString& name, const QString& html)
{
    return htmlStyleInsertHtml(textOrWarning(readTxtFromBundle(name)), html);
}

QString Strings::htmlStyleInsertFileHtml(const QString& name, const QString& html)
{
    return htmlStyleInsertHtml(textOrWarning(readTxtFromFile(name)), html);
}

QString Strings::htmlBodyInsertBundleFileHtml(const QString& name, const QString& html)
{
    return htmlAddToBodyHtml(textOrWarning(readTxtFromBundle(name)), html);
}

QString Strings::htmlBodyInsertFileHtml(const QString& name, const QString& html)
{
    return htmlAddToBodyHtml(textOrWarning(readTxtFromFile(name)), html);
}

std::optional<QString> Strings::readTxtFromBundle(const QString& name)
{
    return FS::sharedEngineInstance()->readTxtFromBundle(name);
}

std::optional<QString> Strings::readTxtFromFile(const QString& name)
{
    // The same reader as the file-system service's, on the documents directory it finds.
    const QString documents = FS::sharedEngineInstance()->getDocumentDir();
    if (name.isEmpty() || documents.isEmpty()) {
        return std::nullopt;
    }
    return files::readTextFile(documents + u'/' + name);
}

QString Strings::htmlRemoveAllTags(const QString& html)
{
    return removeTags(html, [](const QString&) { return true; });
}

QString Strings::htmlRemoveTagOfType(const QString& html, const QString& tag)
{
    const QString opening = u'<' + tag;
    const QString closing = QStringLiteral("</") + tag;
    return removeTags(html, [&](const QString& tagText) { return tagText == opening || tagText == closing; });
}

QString Strings::htmlRemoveHighlightColor(const QString& html, const QString& color)
{
    // The highlight's opening tag text without its ">", as htmlHighlightTxtWithColor builds it.
    const QString opening = QStringLiteral("<FONT style=\"BACKGROUND-COLOR:") + color + u'"';
    const QString closing = QStringLiteral("</FONT");
    return removeTags(html, [&](const QString& tagText) { return tagText == opening || tagText == closing; });
}

int Strings::htmlGetValueFromStrName(const QString& text, const QString& name)
{
    const QStringList pieces = text.split(name + QStringLiteral("=\""));
    if (pieces.size() != 2) {
        return -1;
    }
    const QString& rest = pieces.at(1);
    const qsizetype quote = rest.indexOf(u'"');
    return NSStringToInt(rest.left(quote < 0 ? rest.size() : quote));
}

QString Strings::htmlCreateSearchStringSearchEngine(const QString& query, int engine)
{
    QString prefix;
    QString text = query;
    QString suffix;
    switch (engine) {
    case 0:
        prefix = QStringLiteral("https://en.m.wikipedia.org/wiki/");
        break;
    case 1:
        prefix = QStringLiteral("https://www.google.com/search?q=");
        break;
    case 2:
        prefix = QStringLiteral("https://search.yahoo.com/search?p=");
        break;
    case 3:
        prefix = QStringLiteral("https://www.bing.com/search?q=");
        suffix = QStringLiteral("&go=&form=QBRE&filt=lf");
        break;
    case 4:
        prefix = QStringLiteral("https://www.wolframalpha.com/input/?i=");
        break;
    default:
        prefix = QStringLiteral("https://www.google.com/search?q=");
        text = QStringLiteral("WebView:segmentSelected:unknown search segment");
        break;
    }
    return prefix + text + suffix;
}
