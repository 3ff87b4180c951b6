#include "Mac_system.h"

#include "ChildProcess.h"
#include "Format.h"
#include "KeyEvents.h"
#include "Pasteboard.h"
#include "Platform.h"
#include "ProcessLog.h"
#include "Resources.h"
#include "Strings.h"
#include "Trace.h"
#include "Workspace.h"

#include <QFileInfo>
#include <QStringDecoder>
#include <QTextBoundaryFinder>

namespace {

// The directory holding the "open" command that shell commands see first on their PATH; "" when the
// resource directory lacks it (the system's own "open" is used then).
QString openHelperDirectory()
{
    const QString dir = resourceDirectory() + QStringLiteral("/bin");
    const QFileInfo helper(dir + QStringLiteral("/open"));
    return helper.isFile() && helper.isExecutable() ? dir : QString();
}

} // namespace

Mac_system::Mac_system() : m_st(Strings::sharedEngineInstance()) {}

std::optional<QString> Mac_system::tm(const QString& command)
{
    return terminal(command);
}

std::optional<QString> Mac_system::terminal(const QString& command)
{
    // The shell finds the resource directory's "open" first on its PATH.
    const std::optional<QByteArray> output =
        ChildProcess::runAndRead(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command},
                                 ChildProcess::environmentWithPathFirst(openHelperDirectory()));
    if (!output) {
        return std::nullopt;
    }

    // Strict UTF-8: invalid bytes answer none. A byte-order mark is kept as printed.
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::ConvertInitialBom | QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(*output);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}

void Mac_system::postKeycodeFlags(std::uint16_t keyCode, std::uint64_t flags)
{
    const std::shared_ptr<KeyEvents> keys = Platform::keyEvents();
    if (!keys->canPost()) {
        TRACE("%@ (key %d)", keys->unavailableReason(), int(keyCode));
        return;
    }
    if (!keys->postKey(keyCode, flags)) {
        TRACE("cannot post key %d", int(keyCode));
    }
}

void Mac_system::postKeycodeShiftCmdCtlOpt(int keyCode, bool shift, bool cmd, bool ctl, bool opt)
{
    std::uint64_t flags = 0;
    if (shift) {
        flags |= ShiftFlag;
    }
    if (cmd) {
        flags |= CommandFlag;
    }
    if (ctl) {
        flags |= ControlFlag;
    }
    if (opt) {
        flags |= OptionFlag;
    }
    postKeycodeFlags(std::uint16_t(keyCode & 0xFFFF), flags);
}

void Mac_system::postCharacter(const QString& character, std::uint64_t flags)
{
    const int code = m_st->getKeycodeFromString(character);
    if (code < 0) {
        // No key types it: skipped rather than posting a junk key.
        TRACE("no key for \"%@\": skipped", character);
        return;
    }
    postKeycodeFlags(std::uint16_t(code), flags);
}

void Mac_system::cmd(const QString& character)
{
    postCharacter(m_st->changeCaseMode(character, 0), CommandFlag);
}

void Mac_system::typeChars(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end > 0; end = finder.toNextBoundary()) {
        const QString element = text.mid(start, end - start);
        start = end;
        if (m_st->isCharKeyboardShift(element)) {
            postCharacter(m_st->changeCaseMode(element, 0), ShiftFlag);
        } else {
            postCharacter(element, 0);
        }
    }
}

void Mac_system::deleteChars(int count)
{
    for (int i = 0; i < count; ++i) {
        postKeycodeFlags(DeleteKeyCode, 0);
    }
}

void Mac_system::deleteTypedKeysWithstringShiftKey(const QString& oldText, const QString& newText, bool)
{
    deleteChars(int(oldText.size()));
    typeChars(newText);
}

bool Mac_system::clipboardSetString(const QString& text)
{
    return Platform::pasteboard()->setString(text);
}

std::optional<QString> Mac_system::clipboardGetString()
{
    return Platform::pasteboard()->string();
}

bool Mac_system::clipboardClear(const QString& text)
{
    return clipboardSetString(text);
}

QString Mac_system::getFrontApplicationName()
{
    return Platform::workspace()->frontApplicationName();
}

QString Mac_system::getFrontApplicationBundleIdentifier()
{
    return Platform::workspace()->frontApplicationIdentifier();
}

QString Mac_system::listAllFontsOnSystem()
{
    return describe(QVariant(Platform::workspace()->fontFamilies()));
}

void Mac_system::greet()
{
    processLog(QStringLiteral("hello from Mac_system"));
}
