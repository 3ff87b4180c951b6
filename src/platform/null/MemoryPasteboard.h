#pragma once

#include "Pasteboard.h"

/** A pasteboard that lives in this process only. */
class MemoryPasteboard : public Pasteboard
{
public:
    bool setString(const QString& text) override;
    std::optional<QString> string() const override { return m_text; }

private:
    std::optional<QString> m_text;
};
