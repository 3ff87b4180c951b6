#include "Reachability.h"

#include "linux/LinuxReachability.h"

#include <atomic>

namespace {
std::atomic<Reachability*> g_installed{nullptr};

Reachability& linuxProbe()
{
    static LinuxReachability probe;
    return probe;
}
} // namespace

Reachability& Reachability::current()
{
    Reachability* installed = g_installed.load();
    return installed ? *installed : linuxProbe();
}

void Reachability::setCurrent(Reachability* probe)
{
    g_installed.store(probe);
}
