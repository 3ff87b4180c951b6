#include "LinuxReachability.h"

#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <QString>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// Longer names are no host names: DNS stops at 253 characters, the resolver's buffers at 1025.
constexpr qsizetype MaxNameLength = 1024;
// The port put into the resolved addresses for the route test; connect() on a UDP socket sends nothing.
constexpr in_port_t ProbePort = 9;

// One resolution. It lives on the heap because a lookup still running at the bound cannot be
// cancelled: the resolver keeps writing into it until it finishes.
struct Request
{
    std::string name;
    addrinfo hints{};
    gaicb cb{};
};

void freeRequest(Request* request)
{
    if (request->cb.ar_result) {
        freeaddrinfo(request->cb.ar_result);
    }
    delete request;
}

// Requests given up at the bound, freed once the resolver has finished with them. Never destroyed:
// resolver threads may still be running at process exit.
struct Abandoned
{
    std::mutex mutex;
    std::vector<Request*> requests;
};

Abandoned& abandoned()
{
    static Abandoned* list = new Abandoned;
    return *list;
}

// Frees the abandoned requests that have finished meanwhile.
void reapAbandoned()
{
    Abandoned& list = abandoned();
    std::lock_guard<std::mutex> guard(list.mutex);
    std::erase_if(list.requests, [](Request* request) {
        if (gai_error(&request->cb) == EAI_INPROGRESS) {
            return false;
        }
        freeRequest(request);
        return true;
    });
}

void abandon(Request* request)
{
    // A request that has not started yet can still be withdrawn.
    if (gai_cancel(&request->cb) == EAI_CANCELED || gai_error(&request->cb) != EAI_INPROGRESS) {
        freeRequest(request);
        return;
    }
    Abandoned& list = abandoned();
    std::lock_guard<std::mutex> guard(list.mutex);
    list.requests.push_back(request);
}

bool isProbeableName(const QString& host)
{
    if (host.isEmpty() || host.size() > MaxNameLength) {
        return false;
    }
    for (QChar c : host) {
        if (c.unicode() == 0 || c.unicode() > 0x7F) {
            return false;
        }
    }
    return true;
}

// 0 when the address has a route, else the errno of the route test: connect() of a UDP socket only
// picks the route and sends nothing.
int routeError(const addrinfo* address)
{
    sockaddr_storage target{};
    if (address->ai_addrlen > sizeof target) {
        return EAFNOSUPPORT;
    }
    std::memcpy(&target, address->ai_addr, address->ai_addrlen);
    if (address->ai_family == AF_INET) {
        reinterpret_cast<sockaddr_in*>(&target)->sin_port = htons(ProbePort);
    } else if (address->ai_family == AF_INET6) {
        reinterpret_cast<sockaddr_in6*>(&target)->sin6_port = htons(ProbePort);
    } else {
        return EAFNOSUPPORT;
    }
    const int fd = ::socket(address->ai_family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return errno;
    }
    const int error = ::connect(fd, reinterpret_cast<const sockaddr*>(&target), address->ai_addrlen) == 0 ? 0 : errno;
    ::close(fd);
    return error;
}
// Receives the answers of the probe threads on the main thread. Never destroyed: a probe thread may
// still hand over its answer while the process exits.
QObject* mainThreadRelay()
{
    static QObject* relay = [] {
        auto* object = new QObject;
        if (QCoreApplication::instance()) {
            object->moveToThread(QCoreApplication::instance()->thread());
        }
        return object;
    }();
    return relay;
}
} // namespace

LinuxReachability::LinuxReachability(std::chrono::milliseconds resolveBound) : m_bound(resolveBound) {}

bool LinuxReachability::isReachable(const QString& host)
{
    return examine(host).reachable;
}

Reachability::Outcome LinuxReachability::examine(const QString& host)
{
    if (!isProbeableName(host)) {
        return {false, Reason::LookupFailed};
    }
    reapAbandoned();

    auto* request = new Request;
    request->name = host.toStdString();
    request->hints.ai_family = AF_UNSPEC;
    request->hints.ai_socktype = SOCK_DGRAM;
    request->cb.ar_name = request->name.c_str();
    request->cb.ar_request = &request->hints;
    gaicb* list[] = {&request->cb};
    if (getaddrinfo_a(GAI_NOWAIT, list, 1, nullptr) != 0) {
        // Not queued, or queued without the means to report: leave it to finish before freeing.
        abandon(request);
        return {false, Reason::LookupFailed};
    }

    const auto deadline = std::chrono::steady_clock::now() + m_bound;
    const gaicb* const waitList[] = {&request->cb};
    while (gai_error(&request->cb) == EAI_INPROGRESS) {
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero()) {
            break;
        }
        const auto secs = std::chrono::duration_cast<std::chrono::seconds>(left);
        const timespec timeout{time_t(secs.count()),
                               long(std::chrono::duration_cast<std::chrono::nanoseconds>(left - secs).count())};
        // Answers EAI_AGAIN at the time-out, EAI_INTR on a signal, and at times EAI_SYSTEM: the request's
        // own state (gai_error) is what counts.
        gai_suspend(waitList, 1, &timeout);
    }

    if (gai_error(&request->cb) == EAI_INPROGRESS) {
        abandon(request);
        return {false, Reason::LookupTimedOut};
    }
    Outcome outcome{false, Reason::LookupFailed};
    if (gai_error(&request->cb) == 0) {
        // "No route" only when no address had one; any other refusal is the address's own.
        bool onlyNoRoute = true;
        for (const addrinfo* address = request->cb.ar_result; address && !outcome.reachable;
             address = address->ai_next) {
            const int error = routeError(address);
            outcome.reachable = error == 0;
            onlyNoRoute = onlyNoRoute && error == ENETUNREACH;
        }
        outcome.reason = outcome.reachable ? Reason::None : onlyNoRoute ? Reason::NoRoute : Reason::Unreachable;
    }
    freeRequest(request);
    return outcome;
}

void LinuxReachability::probe(const QString& host, QObject* context, Answer answer)
{
    probeDetailed(host, context, [answer = std::move(answer)](Outcome outcome) { answer(outcome.reachable); });
}

void LinuxReachability::probeDetailed(const QString& host, QObject* context, DetailedAnswer answer)
{
    QObject* relay = mainThreadRelay();
    // The guard is made here, on the main thread, and read there again when the answer arrives.
    QPointer<QObject> guard(context);
    const bool guarded = context != nullptr;
    const std::chrono::milliseconds bound = m_bound;
    std::thread([host, bound, relay, guarded, guard = std::move(guard), answer = std::move(answer)]() mutable {
        // A probe of its own: this object may be gone by the time the resolver answers.
        const Outcome outcome = LinuxReachability(bound).examine(host);
        QMetaObject::invokeMethod(
            relay,
            [guarded, guard = std::move(guard), answer = std::move(answer), outcome] {
                if (!guarded || guard) {
                    answer(outcome);
                }
            },
            Qt::QueuedConnection);
    }).detach();
}
