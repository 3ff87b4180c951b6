#pragma once

#include <QString>

#include <optional>

/**
 * One named text clipboard: a name, its text, and an optional one-letter command with a countdown
 * that ClipboardController runs against the desktop clipboard. The contents are none after an "x"
 * or "c" command found no text on the desktop clipboard.
 */
class Clipboard
{
public:
    /** name "", cmd "", contents "", countdown -1 (idle). */
    Clipboard() = default;

    QString name() const { return m_name; }
    /** Same as name(). */
    QString getName() const { return m_name; }
    void setName(const QString& name) { m_name = name; }
    /** The command: its first character, in either case, is "x", "c" or "v"; "" for none. */
    QString cmd() const { return m_cmd; }
    void setCmd(const QString& cmd) { m_cmd = cmd; }
    std::optional<QString> contents() const { return m_contents; }
    void setContents(const std::optional<QString>& contents) { m_contents = contents; }
    /** Ticks left before the command runs: 0 runs it on the next tick; negative is idle. */
    qint32 countdown() const { return m_countdown; }
    void setCountdown(qint32 countdown) { m_countdown = countdown; }

    /** Sets all four fields. */
    void setClipboardNameContentsCountdownCmd(const QString& name, const std::optional<QString>& contents,
                                              qint32 countdown, const QString& cmd);

private:
    QString m_name;
    QString m_cmd;
    std::optional<QString> m_contents = QString();
    qint32 m_countdown = -1;
};
