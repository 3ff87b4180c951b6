// Colours, modifier keys, posted keys and script resources.
#include "Mac_objects.h"

#include "ChildProcess.h"

#include "KeyEvents.h"
#include "Platform.h"
#include "ProcessLog.h"
#include "Resources.h"
#include "Strings.h"
#include "Trace.h"

#include <QFileInfo>
#include <QKeyEvent>

#include <algorithm>
#include <cmath>

namespace {

constexpr int ScriptTimeoutMilliseconds = 30000;

// The library name of a Qt key ("" when the tables have none).
QString keyName(int key)
{
    if (key >= Qt::Key_F1 && key <= Qt::Key_F15) {
        return QStringLiteral("f%1").arg(key - Qt::Key_F1 + 1);
    }
    switch (key) {
    case Qt::Key_Return:
        return QStringLiteral("return");
    case Qt::Key_Enter:
        return QStringLiteral("enter");
    case Qt::Key_Tab:
        return QStringLiteral("tab");
    case Qt::Key_Backspace:
        return QStringLiteral("delete");
    case Qt::Key_Delete:
        return QStringLiteral("fdelete");
    case Qt::Key_Escape:
        return QStringLiteral("escape");
    case Qt::Key_Space:
        return QStringLiteral(" ");
    case Qt::Key_Home:
        return QStringLiteral("home");
    case Qt::Key_End:
        return QStringLiteral("end");
    case Qt::Key_PageUp:
        return QStringLiteral("pgup");
    case Qt::Key_PageDown:
        return QStringLiteral("pgdn");
    case Qt::Key_Left:
        return QStringLiteral("left");
    case Qt::Key_Right:
        return QStringLiteral("right");
    case Qt::Key_Up:
        return QStringLiteral("up");
    case Qt::Key_Down:
        return QStringLiteral("down");
    case Qt::Key_Help:
        return QStringLiteral("help");
    case Qt::Key_Clear:
        return QStringLiteral("clear");
    default:
        break;
    }
    if (key > 0x20 && key < 0x7f) {
        return QString(QChar(key)).toLower();
    }
    return {};
}

} // namespace

// ---- Colours and keys ----

QColor Mac_objects::changeColorBrightness(const QColor& color, float factor) const
{
    if (!color.isValid() || !std::isfinite(factor)) {
        return color;
    }
    const QColor rgb = color.toRgb();
    const auto scale = [factor](float component) { return std::clamp(component * factor, 0.0f, 1.0f); };
    return QColor::fromRgbF(scale(rgb.redF()), scale(rgb.greenF()), scale(rgb.blueF()), 1.0f);
}

QColor Mac_objects::NSColorToCGColor(const QColor& color) const
{
    return color;
}

QString Mac_objects::modifierKeysToStringWithSeparator(const KeyPress& event, const QString& separator) const
{
    const std::uint64_t flags = event.modifierFlags;
    QString names;
    const auto add = [&](std::uint64_t flag, const char* name) {
        if (flags & flag) {
            names += QLatin1String(name) + separator;
        }
    };
    add(CommandFlag, "cmd");
    add(ControlFlag, "ctl");
    add(CapsLockFlag, "a-shift");
    add(ShiftFlag, "shift");
    add(OptionFlag, "option");
    add(FunctionFlag, "fn");
    add(NumericPadFlag, "num");
    return names;
}

QString Mac_objects::modifierKeysToShortcutWithSeparator(const KeyPress& event, const QString& separator)
{
    return modifierKeysToStringWithSeparator(event, separator) + m_st->getStringFromKeycodeMode(event.keyCode, 0);
}

bool Mac_objects::couldKeyBeShortcut(const KeyPress& event)
{
    processLog(QStringLiteral("Mac_objects: couldKeyBeShortcut"));
    const QString name = m_st->getStringFromKeycodeMode(event.keyCode, 0);
    const bool ascii = m_st->isStringAsciiChar(name);
    const bool function = m_st->isStrFnKey(name);
    const bool control = m_st->isStrCtlKey(name);
    const std::uint64_t flags = event.modifierFlags;
    const bool shift = flags & ShiftFlag;
    const bool option = flags & OptionFlag;
    const bool command = flags & CommandFlag;
    const bool ctl = flags & ControlFlag;
    const QString rule = QStringLiteral("-------------------------------");
    processLog(rule);
    processLog(QStringLiteral("Mac_objects: couldKeyBeShortcut"));
    processLog(rule);
    processLogf("asciiKey:%d  functionKey:%d  controlKey:%d", int(ascii), int(function), int(control));
    processLogf("ascii:%d  sht:%d opt:%d cmd:%d ctl:%d", int(ascii), int(shift), int(option), int(command), int(ctl));
    if (function) {
        return true;
    }
    return ascii && !control && (option || command || shift);
}

Mac_objects::KeyPress Mac_objects::keyPressFromQKeyEvent(const QKeyEvent& event)
{
    KeyPress press;
    const Qt::KeyboardModifiers mods = event.modifiers();
    if (mods & Qt::ShiftModifier) {
        press.modifierFlags |= ShiftFlag;
    }
    if (mods & Qt::ControlModifier) {
        press.modifierFlags |= ControlFlag;
    }
    if (mods & Qt::AltModifier) {
        press.modifierFlags |= OptionFlag;
    }
    if (mods & Qt::MetaModifier) {
        press.modifierFlags |= CommandFlag;
    }
    if (mods & Qt::KeypadModifier) {
        press.modifierFlags |= NumericPadFlag;
    }
    const QString name = keyName(event.key());
    if (name.isEmpty()) {
        return press;
    }
    press.keyCode = m_st->getKeycodeFromString(name);
    if (press.keyCode < 0) {
        // A shifted character ("!", "%") is named by the key that types it with shift.
        press.keyCode = int(m_st->db_shift().indexOf(name));
    }
    return press;
}

void Mac_objects::dbStatuskeys(std::uint64_t flags) const
{
    const auto piece = [flags](std::uint64_t flag, const char* text) {
        return (flags & flag) ? QString::fromLatin1(text) : QString();
    };
    processLogf("Status: %@%@%@%@%@%@%@", piece(CommandFlag, "cmd "), piece(ControlFlag, "ctl "),
                piece(CapsLockFlag, "caps "), piece(ShiftFlag, "shift "), piece(OptionFlag, "alt "),
                piece(FunctionFlag, "fn "), piece(NumericPadFlag, "num "));
}

void Mac_objects::postKeycodeFlags(std::uint16_t keyCode, std::uint64_t /*flags*/)
{
    const std::shared_ptr<KeyEvents> keys = Platform::keyEvents();
    if (!keys->canPost()) {
        TRACE("%@ (key %d)", keys->unavailableReason(), int(keyCode));
        return;
    }
    if (!keys->postKey(keyCode, 0)) {
        TRACE("cannot post key %d", int(keyCode));
    }
}

void Mac_objects::runApplescriptFromBundleWithNameAndExt(const QString& name, const QString& ext)
{
    // Only a file directly inside the resource directory is run.
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || ext.contains(QLatin1Char('/')) ||
        name == QLatin1String("..") || name == QLatin1String(".")) {
        return;
    }
    const QString path = resourcePath(name, ext);
    if (!QFileInfo(path).isFile()) {
        return;
    }
    ChildProcess::runQuietly(QStringLiteral("/bin/sh"), {path}, ScriptTimeoutMilliseconds);
}

void Mac_objects::greet() const
{
    processLog(QStringLiteral("hello from Mac_objects"));
}