#pragma once

#include "Pasteboard.h"

/** The desktop's clipboard through QClipboard. Needs a QGuiApplication: without one it cannot be
 *  written (false) and holds nothing (none). */
class ClipboardPasteboard : public Pasteboard
{
public:
    bool setString(const QString& text) override;
    std::optional<QString> string() const override;
};
