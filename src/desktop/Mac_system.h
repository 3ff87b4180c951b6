#pragma once

#include "SharedInstance.h"

#include <QString>

#include <cstdint>
#include <optional>

class Strings;

/**
 * Talks to the operating system outside the application's own windows: runs shell command lines and
 * answers what they print, synthesises key presses, reads and writes the general pasteboard as plain
 * text, and names the frontmost application and the installed fonts. Key events, the pasteboard and
 * the workspace go through the platform backends installed at start-up (Platform.h).
 */
class Mac_system : public SharedInstance<Mac_system>
{
    friend class SharedInstance<Mac_system>;

public:
    static constexpr std::uint64_t ShiftFlag = 0x20000;
    static constexpr std::uint64_t ControlFlag = 0x40000;
    static constexpr std::uint64_t OptionFlag = 0x80000;
    static constexpr std::uint64_t CommandFlag = 0x100000;
    /** The key posted for a deletion (backspace). */
    static constexpr int DeleteKeyCode = 51;

    /** The string service whose key-code tables name the keys. */
    Strings* st() const { return m_st; }
    void setSt(Strings* strings) { m_st = strings; }

    /** Same as terminal. */
    std::optional<QString> tm(const QString& command);
    /**
     * Runs command through "/bin/sh -c" in the current directory, standard error and input inherited,
     * and answers everything it printed on standard output, read to end of file (so also what a child
     * left running printed while it kept the output open). "" when nothing was printed; none when the
     * output is not valid UTF-8 or the shell could not be started. The exit status is not examined.
     * The command "open" inside it hands files and URLs to xdg-open detached from the output, so a
     * viewer never holds the caller up.
     */
    std::optional<QString> terminal(const QString& command);

    /** Posts one key press with the modifier flags (a trace line when keys cannot be posted). */
    void postKeycodeFlags(std::uint16_t keyCode, std::uint64_t flags);
    /** Builds the flags from the four switches, keeps the low 16 bits of keyCode, posts the key. */
    void postKeycodeShiftCmdCtlOpt(int keyCode, bool shift, bool cmd, bool ctl, bool opt);
    /** Posts the key of the lower-cased character with command held (a menu shortcut). A character
     *  missing from the key table is skipped with a trace line. */
    void cmd(const QString& character);
    /** Types text key by key: shifted characters as their unshifted key with shift held. A character
     *  missing from the key table is skipped with a trace line. */
    void typeChars(const QString& text);
    /** Posts the backspace key count times; nothing for count <= 0. */
    void deleteChars(int count);
    /** deleteChars with the length of oldText, then typeChars with newText; shift is not used. */
    void deleteTypedKeysWithstringShiftKey(const QString& oldText, const QString& newText, bool shift);

    /** Clears the pasteboard and writes text as its only item; answers whether writing succeeded. */
    bool clipboardSetString(const QString& text);
    /** The pasteboard's plain text; none when it holds no text. */
    std::optional<QString> clipboardGetString();
    /** Same as clipboardSetString. */
    bool clipboardClear(const QString& text);

    /** The user-visible name of the frontmost application; "" when it cannot be told. */
    QString getFrontApplicationName();
    /** The identifier of the frontmost application; "" when it cannot be told. */
    QString getFrontApplicationBundleIdentifier();
    /** The names of all installed font families as one printable list "(\n    a,\n    b\n)". */
    QString listAllFontsOnSystem();

    /** Writes "hello from Mac_system" to the process log. */
    void greet();

private:
    Mac_system();
    ~Mac_system() = default;

    void postCharacter(const QString& character, std::uint64_t extraFlags);

    Strings* m_st = nullptr;
};
