#pragma once

#include "SharedInstance.h"

/** An empty one-instance service kept as a place for conversions between value types. */
class NSConvert : public SharedInstance<NSConvert>
{
    friend class SharedInstance<NSConvert>;

public:
    /** Writes "hello from NSConvert" to the process log. */
    void greet() const;

private:
    NSConvert() = default;
};
