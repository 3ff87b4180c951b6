#pragma once

#include <QString>

#include <optional>

/** The general pasteboard, as plain text. */
class Pasteboard
{
public:
    virtual ~Pasteboard() = default;

    /** Clears the pasteboard and writes text as its only content; false when writing failed. */
    virtual bool setString(const QString& text) = 0;
    /** The plain-text content; none when the pasteboard holds no text. */
    virtual std::optional<QString> string() const = 0;
};
