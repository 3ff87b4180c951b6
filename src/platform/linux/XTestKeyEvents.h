#pragma once

#include "KeyEvents.h"

#include <QString>

struct _XDisplay;

/**
 * Key events through the X Test extension. Each key code of the library's table is mapped to an X
 * keysym and from there to the X server's keycode; a keysym that sits on the shifted level of the
 * server's keymap is posted with shift held. Modifiers: shift Shift_L, control and command Control_L
 * (menu shortcuts use control on Linux), option Alt_L.
 *
 * Cannot post on a Wayland session (X clients alone would see the keys), without a display, or when
 * the server lacks the extension.
 */
class XTestKeyEvents : public KeyEvents
{
public:
    XTestKeyEvents();
    ~XTestKeyEvents() override;
    XTestKeyEvents(const XTestKeyEvents&) = delete;
    XTestKeyEvents& operator=(const XTestKeyEvents&) = delete;

    bool canPost() const override { return m_display != nullptr; }
    bool postKey(std::uint16_t keyCode, std::uint64_t flags) override;
    QString unavailableReason() const override { return m_reason; }

    /** The X keysym name for a library key code ("a", "Return", "KP_Enter"); "" when the key has none. */
    static QString keysymName(int keyCode);

private:
    _XDisplay* m_display = nullptr;
    QString m_reason;
};
