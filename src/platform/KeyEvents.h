#pragma once

#include <QString>

#include <cstdint>

/**
 * Posts synthetic key presses to the desktop, system-wide. Keys are named by the library's virtual key
 * codes (0 to 126, the key-code tables of the string service); modifiers by the flag values
 * ShiftFlag, ControlFlag, OptionFlag and CommandFlag.
 */
class KeyEvents
{
public:
    static constexpr std::uint64_t ShiftFlag = 0x20000;
    static constexpr std::uint64_t ControlFlag = 0x40000;
    static constexpr std::uint64_t OptionFlag = 0x80000;
    static constexpr std::uint64_t CommandFlag = 0x100000;

    virtual ~KeyEvents() = default;

    /** true when this backend can post keys at all (false on Wayland and without a display). */
    virtual bool canPost() const = 0;
    /** Posts a key-down and key-up of keyCode with the modifiers in flags held. Answers false, having
     *  posted nothing, when keys cannot be posted or the code names no key. */
    virtual bool postKey(std::uint16_t keyCode, std::uint64_t flags) = 0;
    /** Why keys cannot be posted ("cannot post keys: ..."), "" when they can. */
    virtual QString unavailableReason() const = 0;
};
