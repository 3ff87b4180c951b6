#pragma once

#include "KeyEvents.h"

/** Posts nothing: keys cannot be posted without a desktop that accepts them. */
class NullKeyEvents : public KeyEvents
{
public:
    bool canPost() const override { return false; }
    bool postKey(std::uint16_t, std::uint64_t) override { return false; }
    QString unavailableReason() const override;
};
