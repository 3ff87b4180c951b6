#pragma once

#include "Reachability.h"

/** A probe with no network to ask: no host is ever reachable. */
class NullReachability : public Reachability
{
public:
    /** Always false. */
    bool isReachable(const QString&) override { return false; }
};
