// The debug panel's messages and commands, and its main text.
#include "DebugPanel.h"

#include "Clock.h"
#include "Mac_media.h"
#include "Mac_objects.h"
#include "ProcessLog.h"
#include "Strings.h"
#include "Trace.h"
#include "ui_DebugPanel.h"

#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>

#include <algorithm>
#include <optional>

namespace {

// The number N of a command "<prefix>N" with 0 <= N < count, written without sign or leading zeros.
std::optional<int> numbered(const QString& command, QLatin1StringView prefix, int count)
{
    if (!command.startsWith(prefix) || command.size() == prefix.size()) {
        return std::nullopt;
    }
    const QStringView digits = QStringView(command).mid(prefix.size());
    bool ok = false;
    const int n = digits.toInt(&ok);
    if (!ok || n < 0 || n >= count || QString::number(n) != digits) {
        return std::nullopt;
    }
    return n;
}

QString ruler(QChar c, int length)
{
    return QString(length, c) + u'\n';
}

// Cuts a newest-first text to at most limit characters at its oldest end, on a line boundary where
// one is near, so that the view does not start its last line in the middle.
void trimOldest(QString& text, qsizetype limit)
{
    if (text.size() <= limit) {
        return;
    }
    const qsizetype lineEnd = text.lastIndexOf(u'\n', limit - 1);
    text.truncate(lineEnd > limit / 2 ? lineEnd + 1 : limit);
}

// The text as the main view can show it, character for character:
// - Qt lays out a paragraph in time that grows with the square of its length (a 1 MB line without
//   line feeds takes minutes), so lines longer than maxLine are broken into pieces;
// - control characters (which the text document turns into paragraph breaks or drops) are shown as
//   their control pictures, and the Unicode line and paragraph separators as line feeds.
QString displayable(const QString& text, qsizetype maxLine)
{
    const auto plain = [](QChar c) {
        return (c.unicode() >= 0x20 && c.unicode() != 0x7F && c.unicode() != 0x2028 && c.unicode() != 0x2029) ||
               c == u'\n' || c == u'\t';
    };
    qsizetype run = 0;
    bool needed = false;
    for (QChar c : text) {
        run = c == u'\n' ? 0 : run + 1;
        if (run > maxLine || !plain(c)) {
            needed = true;
            break;
        }
    }
    if (!needed) {
        return text;
    }
    QString out;
    out.reserve(text.size() + text.size() / maxLine + 1);
    run = 0;
    for (QChar c : text) {
        if (c.unicode() == 0x2028 || c.unicode() == 0x2029) {
            c = u'\n';
        } else if (!plain(c)) {
            c = QChar(char16_t(c.unicode() == 0x7F ? 0x2421 : 0x2400 + c.unicode()));
        }
        if (c == u'\n') {
            run = 0;
        } else if (++run > maxLine) {
            out += u'\n';
            run = 1;
        }
        out += c;
    }
    return out;
}

} // namespace

// ---- Messages ----

void DebugPanel::updateTxt(const QString& text)
{
    if (m_pauseUpdates) {
        m_recievingData = false;
        return;
    }
    m_recievingData = true;
    const int result = processTxtCmds(text);
    if (result == 1) {
        return;
    }
    showMainText(result == 2 ? m_retStr : text);
}

int DebugPanel::processTxtCmds(const QString& text)
{
    m_retStr.clear();
    const QString m = m_st->removeTrailingCharFromStr(u'\n', text);
    const qsizetype bang = m.indexOf(u'!');
    if (bang < 0) {
        if (const auto n = numbered(m, QLatin1StringView("txt"), 4)) {
            txt(*n)->clear();
            return 1;
        }
        if (m == u"beep") {
            playSound(QStringLiteral("beep"));
            return 1;
        }
        if (m == u"clr" || m == u"clear") {
            clearMainText();
            return 1;
        }
        if (m == u"/" || m == u"//" || m == u"*" || m == u"**") {
            m_retStr = ruler(m.at(0), m.size() == 1 ? 46 : 97);
            return 2;
        }
        if (const auto n = numbered(m, QLatin1StringView("btn"), NumButtons)) {
            processBtn(*n);
            return 1;
        }
        if (m == u"deleteLogs") {
            deleteAllLogs();
            return 1;
        }
        if (m == u"viewLogs") {
            viewLogs();
            return 1;
        }
        if (m == u"saveLog") {
            saveLog();
            return 1;
        }
        if (m == u"pause") {
            pauseBtnAction();
            return 1;
        }
        if (m == u"clearAll" || m == u"clrAll") {
            clrBtn();
            return 1;
        }
        if (m == u"time") {
            const QTime now = Clock::current().now().time();
            m_retStr = format("%@:%@:%@\n", m_st->integerToStrWithLeadingZero(now.hour(), true),
                              m_st->integerToStrWithLeadingZero(now.minute(), true),
                              m_st->integerToStrWithLeadingZero(now.second(), true));
            return 2;
        }
        if (m == u"date") {
            const QVariantList dmy = m_st->getDate(Clock::current().now());
            m_retStr = format("%d/%d/%d\n", dmy.value(2).toInt(), dmy.value(1).toInt(), dmy.value(0).toInt());
            return 2;
        }
    }
    const QStringList fields = m.split(u'!');
    const QString argument = fields.value(1);
    const QString rest = bang < 0 ? QString() : m.mid(bang + 1);
    return fieldCommand(fields.at(0), argument, rest);
}

int DebugPanel::fieldCommand(const QString& command, const QString& argument, const QString& rest)
{
    if (const auto n = numbered(command, QLatin1StringView("txt"), 4)) {
        showTxt(*n, rest);
        return 1;
    }
    if (command == u"nl") {
        // The count comes from traced text: clamped, so that "nl!999999999" cannot exhaust memory.
        const int n = std::clamp(m_st->NSStringToInt(argument), 0, MaxNewLines);
        m_retStr = QString(n + 1, u'\n');
        return 2;
    }
    if (command == u"snd") {
        playSound(argument);
        return 1;
    }
    if (command == u"speak" || command == u"spk") {
        m_media->ttsSpeakForceSpeak(argument, true);
        return 1;
    }
    if (command == u"alert") {
        return 1;
    }
    if (const auto n = numbered(command, QLatin1StringView("flag"), NumConfirms)) {
        back(*n)->show();
        confirm(*n)->show();
        m_confirmStr[size_t(*n)] = rest;
        if (*n <= 2) {
            m_num12 = -1; // shown at the very next flash step
        }
        return 1;
    }
    if (const auto n = numbered(command, QLatin1StringView("btn"), NumButtons)) {
        const QColor colours[3] = {m_colours.red, m_colours.yellow, m_colours.green};
        title(btn(*n), rest, *n == 9 ? m_colours.white : colours[*n % 3]);
        return 1;
    }
    if (const auto n = numbered(command, QLatin1StringView("s"), NumStatus)) {
        static const int groups[NumStatus] = {0, 0, 1, 1, 2, 2, 0, 0, 1, 1, 2, 2, 0, 0, 1, 1,
                                              2, 2, 0, 0, 1, 1, 2, 2, 0, 1, 1, 0, 2, 2, 1, 1};
        const int group = groups[*n];
        const QColor background = group == 0   ? m_obj->changeColorBrightness(m_colours.red, 0.3F)
                                  : group == 1 ? m_obj->changeColorBrightness(m_colours.yellow, 0.2F)
                                               : m_obj->changeColorBrightness(m_colours.green, 0.2F);
        lblStatus(*n)->setText(rest);
        setStatusBackground(*n, background);
        m_status[size_t(*n)] = StatusTicks;
        return 1;
    }
    return -1;
}

void DebugPanel::sendMsg(const QString& text)
{
    NotificationCenter::defaultCenter().postNotificationName(QStringLiteral("DebugPanel"), text);
}

bool DebugPanel::playSound(const QString& name)
{
    // Plays the sound registered or found under that name; a name without a sound plays nothing.
    if (!m_media->soundNamed(name)) {
        TRACE("no sound named %@", name);
        return false;
    }
    m_media->sndPlay(nullptr, name);
    return true;
}

// ---- Text outputs ----

void DebugPanel::showTxt(int n, const QString& text)
{
    QPlainTextEdit* view = txt(n);
    if (!view) {
        return;
    }
    processLogf("str:%@", text);
    view->setPlainText(text);
    // The small views show their text with the keywords coloured.
    const ColouredText coloured = colorWordDefaultColor(view, m_colours.green);
    QTextCursor cursor(view->document());
    for (const QTextLayout::FormatRange& range : coloured.formats) {
        cursor.setPosition(range.start);
        cursor.setPosition(range.start + range.length, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(range.format);
    }
}

void DebugPanel::resetTxtBoxes()
{
    clearMainText();
    for (int i = 0; i < 4; ++i) {
        txt(i)->setPlainText(QStringLiteral("txt%1").arg(i));
    }
}

void DebugPanel::resetLablStatuses()
{
    for (int i = 0; i < NumStatus; ++i) {
        lblStatus(i)->setText(QStringLiteral("s%1").arg(i));
    }
}

void DebugPanel::removeTrailingCharFromTextField(QLabel* field)
{
    if (field) {
        field->setText(m_st->removeTrailingCharFromStr(u'\n', field->text()));
    }
}

// ---- Actions ----

void DebugPanel::processBtn(int n)
{
    if (n >= 0 && n < NumButtons) {
        sendMsg(QStringLiteral("btn%1").arg(n));
    }
}

void DebugPanel::confirmBtn(int n)
{
    if (n < 0 || n >= NumConfirms) {
        return;
    }
    confirm(n)->hide();
    back(n)->hide();
    m_confirmStr[size_t(n)].clear();
    m_confirmActive[size_t(n)] = false; // a later flag flashes again
}

void DebugPanel::clrConfirms()
{
    for (int i = 0; i < NumConfirms; ++i) {
        confirmBtn(i);
    }
}

void DebugPanel::clrBtn()
{
    clearMainText();
    resetTxtBoxes();
    resetLablStatuses();
    clrConfirms();
}

// ---- The main text ----

QString DebugPanel::fullOutStr() const
{
    if (m_pending.isEmpty()) {
        return m_shown;
    }
    QString all;
    all.reserve(m_pendingSize + m_shown.size());
    for (auto it = m_pending.crbegin(); it != m_pending.crend(); ++it) {
        all += *it;
    }
    all += m_shown;
    trimOldest(all, MaxMainText);
    return all;
}

void DebugPanel::setFullOutStr(const QString& text)
{
    m_shown = displayable(text.size() > MaxMainText ? text.left(MaxMainText) : text, MaxLineLength);
    trimOldest(m_shown, MaxMainText);
    m_pending.clear();
    m_pendingSize = 0;
    m_viewStale = true;
}

void DebugPanel::showMainText(const QString& message)
{
    const QString text = displayable(message.size() > MaxMainText ? message.left(MaxMainText) : message, MaxLineLength);
    m_pending << text;
    m_pendingSize += text.size();
    if (m_pendingSize > MaxMainText) {
        // No tick for a while: fold the lines in now so that waiting text stays bounded too.
        setFullOutStr(fullOutStr());
    }
}

void DebugPanel::clearMainText()
{
    setFullOutStr(QString());
}

void DebugPanel::flushMainView()
{
    QPlainTextEdit* view = txtMain();
    if (m_pending.isEmpty() && !m_viewStale) {
        return;
    }
    if (m_viewStale) {
        setFullOutStr(fullOutStr());
        view->setPlainText(m_shown);
        m_viewStale = false;
    } else {
        QString batch;
        batch.reserve(m_pendingSize);
        for (auto it = m_pending.crbegin(); it != m_pending.crend(); ++it) {
            batch += *it;
        }
        m_pending.clear();
        m_pendingSize = 0;
        // One edit on top of the document instead of setting the whole text again.
        QTextCursor cursor(view->document());
        cursor.beginEditBlock();
        cursor.movePosition(QTextCursor::Start);
        cursor.insertText(batch);
        m_shown.prepend(batch);
        const qsizetype before = m_shown.size();
        trimOldest(m_shown, MaxMainText);
        if (m_shown.size() < before) {
            cursor.setPosition(int(m_shown.size()));
            cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        }
        cursor.endEditBlock();
        if (view->document()->characterCount() - 1 != m_shown.size()) {
            view->setPlainText(m_shown); // the document counted the text differently: start afresh
        }
    }
    view->verticalScrollBar()->setValue(0);
}
