#include "XTestKeyEvents.h"

#include "Trace.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <vector>

namespace {

// X keysym names by library key code (JIS layout); nullptr where the layout has no key.
// clang-format off
constexpr const char* KeysymNames[127] = {
    "a", "s", "d", "f", "h", "g", "z", "x", "c", "v",                                    // 0-9
    nullptr, "b", "q", "w", "e", "r", "y", "t", "1", "2",                                // 10-19
    "3", "4", "6", "5", "asciicircum", "9", "7", "minus", "8", "0",                      // 20-29
    "bracketleft", "o", "u", "at", "i", "p", "Return", "l", "j", "colon",                // 30-39
    "k", "semicolon", "bracketright", "comma", "slash", "n", "m", "period", "Tab", "space", // 40-49
    "grave", "BackSpace", "KP_Enter", "Escape", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, // 50-59
    nullptr, nullptr, nullptr, nullptr, nullptr, "KP_Decimal", nullptr, "KP_Multiply", nullptr, "KP_Add", // 60-69
    nullptr, "Clear", nullptr, nullptr, nullptr, "KP_Divide", "KP_Enter", nullptr, "KP_Subtract", nullptr, // 70-79
    nullptr, "KP_Equal", "KP_0", "KP_1", "KP_2", "KP_3", "KP_4", "KP_5", "KP_6", "KP_7", // 80-89
    nullptr, "KP_8", "KP_9", "bar", "underscore", nullptr, "F5", "F6", "F7", "F3",       // 90-99
    "F8", "F9", nullptr, "F11", nullptr, "F13", nullptr, "F14", nullptr, "F10",          // 100-109
    nullptr, "F12", nullptr, "F15", "Help", "Home", "Prior", "Delete", "F4", "End",      // 110-119
    "F2", "Next", "F1", "Left", "Right", "Down", "Up",                                   // 120-126
};
// clang-format on

bool waylandSession()
{
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
}

} // namespace

XTestKeyEvents::XTestKeyEvents()
{
    if (waylandSession()) {
        m_reason = QStringLiteral("cannot post keys: Wayland session");
        return;
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        m_reason = QStringLiteral("cannot post keys: no display");
        return;
    }
    m_display = XOpenDisplay(nullptr);
    if (!m_display) {
        m_reason = QStringLiteral("cannot post keys: the display cannot be opened");
        return;
    }
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (!XTestQueryExtension(m_display, &eventBase, &errorBase, &major, &minor)) {
        XCloseDisplay(m_display);
        m_display = nullptr;
        m_reason = QStringLiteral("cannot post keys: the X server has no XTEST extension");
    }
}

XTestKeyEvents::~XTestKeyEvents()
{
    if (m_display) {
        XCloseDisplay(m_display);
    }
}

QString XTestKeyEvents::keysymName(int keyCode)
{
    if (keyCode < 0 || keyCode >= 127 || !KeysymNames[keyCode]) {
        return {};
    }
    return QString::fromLatin1(KeysymNames[keyCode]);
}

bool XTestKeyEvents::postKey(std::uint16_t keyCode, std::uint64_t flags)
{
    if (!m_display) {
        return false;
    }
    const QString name = keysymName(keyCode);
    if (name.isEmpty()) {
        return false;
    }
    const KeySym sym = XStringToKeysym(name.toLatin1().constData());
    const KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(m_display, sym);
    if (code == 0) {
        TRACE("the X keymap has no key for %@", name);
        return false;
    }
    // A keysym on the shifted level of its key (":" or "@" on a US keymap) needs shift to come out.
    bool needsShift = false;
    int perCode = 0;
    if (KeySym* syms = XGetKeyboardMapping(m_display, code, 1, &perCode)) {
        needsShift = perCode > 1 && syms[0] != sym && syms[1] == sym;
        XFree(syms);
    }

    std::vector<KeyCode> modifiers;
    auto addModifier = [&](KeySym modifier) {
        const KeyCode mc = XKeysymToKeycode(m_display, modifier);
        if (mc != 0 && std::find(modifiers.begin(), modifiers.end(), mc) == modifiers.end()) {
            modifiers.push_back(mc);
        }
    };
    if ((flags & ShiftFlag) || needsShift) {
        addModifier(XK_Shift_L);
    }
    if (flags & (ControlFlag | CommandFlag)) {
        addModifier(XK_Control_L);
    }
    if (flags & OptionFlag) {
        addModifier(XK_Alt_L);
    }
    for (KeyCode mc : modifiers) {
        XTestFakeKeyEvent(m_display, mc, True, CurrentTime);
    }
    XTestFakeKeyEvent(m_display, code, True, CurrentTime);
    XTestFakeKeyEvent(m_display, code, False, CurrentTime);
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) {
        XTestFakeKeyEvent(m_display, *it, False, CurrentTime);
    }
    XSync(m_display, False);
    return true;
}
