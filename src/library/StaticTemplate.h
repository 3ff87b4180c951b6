#pragma once

#include "SharedInstance.h"

/** An empty one-instance service: the pattern to copy when starting a new service. */
class StaticTemplate : public SharedInstance<StaticTemplate>
{
    friend class SharedInstance<StaticTemplate>;

public:
    /** Writes "hello from SingletonTemplate" to the process log. */
    void greet() const;

private:
    StaticTemplate() = default;
};
