// Probe time for a name from /etc/hosts and for an unknown name, against plain getaddrinfo in this
// process and `getent hosts` on the same names in the same run. Runs only inside a network namespace of
// its own (bench/bench_probe.sh makes one): loopback is the only interface, /etc/resolv.conf and
// /etc/nsswitch.conf are replaced there by private copies, and the resolver is a stand-in on
// 127.0.0.1:53 that answers "no such name" at once, so no query leaves the namespace.
//
//   bench_probe [runs] [name...]     default: 200 runs, localhost no-such-host.invalid

#include "NetNamespace.h"
#include "linux/LinuxReachability.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <string>
#include <vector>

extern char** environ;

namespace {
using Clock = std::chrono::steady_clock;

// Plain blocking getaddrinfo in this process: the resolver's own cost, without the bound or the route test.
double getaddrinfoMs(const std::string& name)
{
    addrinfo hints{};
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* result = nullptr;
    const auto start = Clock::now();
    if (getaddrinfo(name.c_str(), nullptr, &hints, &result) == 0) {
        freeaddrinfo(result);
    }
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// getent hosts NAME as a process of its own, as a shell script would ask.
double getentMs(const std::string& name)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const char* argv[] = {"getent", "hosts", name.c_str(), nullptr};
    const auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, "getent", &actions, nullptr, const_cast<char* const*>(argv), environ) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return -1.0;
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Figures
{
    double median;
    double worst;
};

Figures figures(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    const size_t n = ms.size();
    const double median = n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2.0;
    return {median, ms.back()};
}
} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    std::vector<std::string> names;
    for (int i = 2; i < argc; ++i) {
        names.emplace_back(argv[i]);
    }
    if (names.empty()) {
        names = {"localhost", "no-such-host.invalid"};
    }

    QString error;
    if (!NetNamespace::enterPrivateNetwork(&error)) {
        std::fprintf(stderr, "bench_probe: %s (run me through bench/bench_probe.sh)\n", qPrintable(error));
        return 3;
    }
    if (!NetNamespace::startDnsStandIn(NetNamespace::Dns::NoSuchName, nullptr)) {
        std::fprintf(stderr, "bench_probe: cannot listen on 127.0.0.1:53\n");
        return 5;
    }

    LinuxReachability probe;
    std::printf("%-22s %5s %10s %10s %10s %10s %10s %10s %s\n", "name", "runs", "probe med", "probe max", "gai med",
                "gai max", "getent med", "getent max", "(ms)");
    for (const std::string& name : names) {
        std::vector<double> probeMs;
        std::vector<double> getentTimes;
        std::vector<double> gaiTimes;
        bool reachable = false;
        for (int i = 0; i < runs; ++i) {
            const auto start = Clock::now();
            reachable = probe.isReachable(QString::fromStdString(name));
            probeMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            gaiTimes.push_back(getaddrinfoMs(name));
            getentTimes.push_back(getentMs(name));
        }
        const Figures p = figures(probeMs);
        const Figures a = figures(gaiTimes);
        const Figures g = figures(getentTimes);
        std::printf("%-22s %5d %10.3f %10.3f %10.3f %10.3f %10.3f %10.3f %s\n", name.c_str(), runs, p.median, p.worst,
                    a.median, a.worst, g.median, g.worst, reachable ? "reachable" : "not reachable");
    }
    std::fflush(stdout);
    std::_Exit(0);
}
