#include "NetNamespace.h"

#include <QStandardPaths>

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

namespace {

// Refuses to touch anything but a network namespace of its own: loopback must be the only interface.
bool onlyLoopback()
{
    struct if_nameindex* names = if_nameindex();
    bool only = names != nullptr;
    for (struct if_nameindex* n = names; only && n->if_index != 0; ++n) {
        only = std::strcmp(n->if_name, "lo") == 0;
    }
    if_freenameindex(names);
    return only;
}

bool loopbackUp()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool ok = fd >= 0 && ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags = short(request.ifr_flags | IFF_UP | IFF_RUNNING);
    ok = ok && ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    ::close(fd);
    return ok;
}

// Bind-mounts a file holding text over target, in this mount namespace only.
bool replaceFile(const char* target, const char* text)
{
    char path[] = "/tmp/carrowen-netns-XXXXXX";
    const int fd = ::mkstemp(path);
    const size_t length = std::strlen(text);
    const bool written = fd >= 0 && ::write(fd, text, length) == ssize_t(length);
    ::close(fd);
    const bool mounted = written && ::mount(path, target, nullptr, MS_BIND, nullptr) == 0;
    ::unlink(path);
    return mounted;
}

void serveDns(int fd, NetNamespace::Dns mode, std::atomic<int>* queries)
{
    unsigned char buf[512];
    for (;;) {
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t n = ::recvfrom(fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n < 12 || (queries && (++*queries, false)) || mode == NetNamespace::Dns::Silent) {
            continue;
        }
        // Keep the header and the first question; flags: response, recursion desired and available, NXDOMAIN.
        ssize_t end = 12;
        while (end < n && buf[end] != 0) {
            end += buf[end] + 1;
        }
        end += 5;
        if (end <= n) {
            const unsigned char header[] = {0x81, 0x83, 0, 1, 0, 0, 0, 0, 0, 0};
            std::memcpy(buf + 2, header, sizeof header);
            ::sendto(fd, buf, size_t(end), 0, reinterpret_cast<sockaddr*>(&from), fromLength);
        }
    }
}

} // namespace

namespace NetNamespace {

QStringList unshareArguments(const QString& program, const QStringList& arguments, QString* skip)
{
    const QString unshare = QStandardPaths::findExecutable(QStringLiteral("unshare"));
    if (::geteuid() != 0 || unshare.isEmpty()) {
        *skip = QStringLiteral("needs root and util-linux's unshare to make network namespaces");
        return {};
    }
    return QStringList{unshare, QStringLiteral("--mount"), QStringLiteral("--net"), program} + arguments;
}

bool enterPrivateNetwork(QString* error)
{
    if (!onlyLoopback()) {
        *error = QStringLiteral("not in a network namespace of its own; refusing to probe");
        return false;
    }
    // The resolver's own time-outs (20 s in all) are far beyond the probe's bound.
    if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 || !loopbackUp() ||
        !replaceFile("/etc/resolv.conf", "nameserver 127.0.0.1\noptions timeout:5 attempts:2\n") ||
        !replaceFile("/etc/nsswitch.conf", "hosts: files dns\n")) {
        *error = QStringLiteral("set-up failed: ") + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    return true;
}

bool startDnsStandIn(Dns mode, std::atomic<int>* queries)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(53);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return false;
    }
    std::thread(serveDns, fd, mode, queries).detach();
    return true;
}

} // namespace NetNamespace
