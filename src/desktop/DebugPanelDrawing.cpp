// The debug panel's drawings: keyword colouring of its texts and the help picture.
#include "DebugPanel.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSize>

#include <vector>

namespace {

struct KeywordList
{
    QColor colour;
    std::vector<QStringView> words;
};

const std::vector<KeywordList>& keywordLists()
{
    static const std::vector<KeywordList> lists = {
        {QColor(255, 128, 0), {u"+", u"-", u"*", u"/"}},
        {QColor(0, 255, 255), {u"0", u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8", u"9", u"."}},
        {QColor(255, 255, 255), {u"scrn", u"line", u"latitude", u"longitude"}},
        {QColor(255, 255, 0),
         {u"monday", u"tuesday", u"wednesday", u"thursday", u"friday", u"saturday", u"sunday", u"time"}},
        {QColor(255, 0, 0), {u"debug", u"todo", u"velbor", u".m", u".log", u".txt", u".doc"}},
    };
    return lists;
}

const char* const kHelpLines[] = {
    "Trace a command to drive the panel:",
    "",
    "txt0!text .. txt3!text   show text in a small view (alone: empty it)",
    "s0!text .. s31!text      status label, highlighted for 4 seconds",
    "btn0 .. btn9             press a host button (posts \"DebugPanel\")",
    "btn0!title .. btn9!title retitle a host button",
    "flag0!text .. flag6!text raise a flashing confirm button",
    "nl!n                     n + 1 empty lines (0 to 100)",
    "/  //  *  **             ruler lines",
    "time  date               the time or the date",
    "clr  clear               empty the main view",
    "clearAll  clrAll         empty everything",
    "beep  snd!name           play a sound",
    "speak!text  spk!text     say the text",
    "saveLog  viewLogs  deleteLogs  pause",
    "",
    "Anything else is shown as it is, newest first.",
};

} // namespace

DebugPanel::ColouredText DebugPanel::colourKeywords(const QString& text, const QColor& defaultColor)
{
    ColouredText result{text, {}};
    if (text.isEmpty()) {
        return result;
    }
    // One colour index per character (-1 none, 0 the default, 1.. the lists), then runs of equal ones.
    const qsizetype n = text.size();
    std::vector<int> colourAt(size_t(n), 0);
    colourAt[size_t(n - 1)] = -1;
    const QString lower = text.toLower();
    const auto& lists = keywordLists();
    for (size_t l = 0; l < lists.size(); ++l) {
        for (qsizetype pos = 0; pos < n; ++pos) {
            const QStringView here = QStringView(lower).mid(pos);
            for (QStringView word : lists[l].words) {
                if (here.startsWith(word)) {
                    std::fill_n(colourAt.begin() + pos, word.size(), int(l) + 1);
                }
            }
        }
    }
    for (qsizetype start = 0; start < n;) {
        qsizetype end = start + 1;
        while (end < n && colourAt[size_t(end)] == colourAt[size_t(start)]) {
            ++end;
        }
        const int index = colourAt[size_t(start)];
        if (index >= 0) {
            QTextCharFormat format;
            format.setForeground(index == 0 ? defaultColor : lists[size_t(index - 1)].colour);
            result.formats.append({int(start), int(end - start), format});
        }
        start = end;
    }
    return result;
}

DebugPanel::ColouredText DebugPanel::colorWordDefaultColor(const QPlainTextEdit* view, const QColor& defaultColor) const
{
    return view ? colourKeywords(view->toPlainText(), defaultColor) : ColouredText{};
}

QPixmap DebugPanel::drawHelpPicture(const QSize& size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(10, 20, 30, 235));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 200, 120), 3));
    p.drawRoundedRect(QRectF(image.rect()).adjusted(2, 2, -2, -2), 12, 12);

    QFont font(QStringLiteral("Monospace"));
    font.setStyleHint(QFont::TypeWriter);
    // As large as fits the picture's height, within reason.
    const int lines = int(std::size(kHelpLines));
    font.setPixelSize(std::clamp(size.height() / (lines + 4), 8, 22));
    p.setFont(font);
    const QFontMetrics metrics(font);
    int y = metrics.height() * 2;
    p.setPen(QColor(0, 255, 140));
    for (const char* line : kHelpLines) {
        p.drawText(metrics.height(), y, QString::fromLatin1(line));
        y += metrics.height();
    }
    p.end();
    return QPixmap::fromImage(image);
}
