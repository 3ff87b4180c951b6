#include "linux/LinuxReachability.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

/*
 * Names that would be looked up in DNS are probed only inside a private network and mount namespace
 * (unshare --mount --net): its only interface is loopback, /etc/resolv.conf and /etc/nsswitch.conf are
 * replaced there by private copies pointing at a DNS stand-in on 127.0.0.1:53 run by the helper, so no
 * query ever leaves the namespace. The helper is this test binary started with --in-namespace.
 */

namespace {
constexpr const char* kHelperFlag = "--in-namespace";

// ---- The helper, running inside the namespaces ----

std::atomic<int> g_queries{0};

// Refuses to run anywhere but in a network namespace of its own: loopback must be the only interface.
bool onlyLoopback()
{
    struct if_nameindex* names = if_nameindex();
    if (!names) {
        return false;
    }
    bool only = true;
    for (struct if_nameindex* n = names; n->if_index != 0; ++n) {
        only = only && std::strcmp(n->if_name, "lo") == 0;
    }
    if_freenameindex(names);
    return only;
}

bool loopbackUp()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool ok = ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
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
    if (fd < 0) {
        return false;
    }
    const size_t length = std::strlen(text);
    const bool written = ::write(fd, text, length) == ssize_t(length);
    ::close(fd);
    const bool mounted = written && ::mount(path, target, nullptr, MS_BIND, nullptr) == 0;
    ::unlink(path);
    return mounted;
}

// Answers every query with "no such name", or (silent) reads it and never answers.
void serveDns(int fd, bool silent)
{
    unsigned char buf[512];
    for (;;) {
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t n = ::recvfrom(fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n < 12) {
            continue;
        }
        ++g_queries;
        if (silent) {
            continue;
        }
        // Keep the header and the first question; flags: response, recursion desired and available, NXDOMAIN.
        ssize_t end = 12;
        while (end < n && buf[end] != 0) {
            end += buf[end] + 1;
        }
        end += 5;
        if (end > n) {
            continue;
        }
        buf[2] = 0x81;
        buf[3] = 0x83;
        buf[4] = 0;
        buf[5] = 1;
        std::memset(buf + 6, 0, 6);
        ::sendto(fd, buf, size_t(end), 0, reinterpret_cast<sockaddr*>(&from), fromLength);
    }
}

int runHelper(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "helper: mode missing\n");
        return 2;
    }
    const QByteArray mode = argv[2];
    if (!onlyLoopback()) {
        std::fprintf(stderr, "helper: not in a network namespace of its own; refusing to probe\n");
        return 3;
    }
    if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 || !loopbackUp() ||
        !replaceFile("/etc/resolv.conf", "nameserver 127.0.0.1\noptions timeout:5 attempts:2\n") ||
        !replaceFile("/etc/nsswitch.conf", "hosts: files dns\n")) {
        std::fprintf(stderr, "helper: set-up failed: %s\n", std::strerror(errno));
        return 4;
    }
    if (mode == "silent" || mode == "nxdomain") {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(53);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            std::fprintf(stderr, "helper: cannot listen on 127.0.0.1:53: %s\n", std::strerror(errno));
            return 5;
        }
        std::thread(serveDns, fd, mode == "silent").detach();
    }
    LinuxReachability probe;
    for (int i = 3; i < argc; ++i) {
        const int queriesBefore = g_queries.load();
        const auto start = std::chrono::steady_clock::now();
        const bool reachable = probe.isReachable(QString::fromUtf8(argv[i]));
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
        // Let the stand-in count a query that was sent just before an early answer.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::printf("probe %d reachable=%d ms=%lld queries=%d\n", i - 3, reachable ? 1 : 0, static_cast<long long>(ms),
                    g_queries.load() - queriesBefore);
    }
    std::fflush(stdout);
    // Lookups given up at the bound may still be running: leave without waiting for them.
    std::_Exit(0);
}

// ---- The test side ----

struct ProbeResult
{
    bool reachable = false;
    qint64 ms = 0;
    int queries = 0;
};

// Runs the helper in fresh mount and network namespaces and answers one result per name; sets skip
// to a reason when the machine cannot make the namespaces.
QList<ProbeResult> probeInNamespace(const QString& mode, const QStringList& names, QString* skip)
{
    if (::geteuid() != 0) {
        *skip = QStringLiteral("needs root to make network namespaces (unshare --mount --net)");
        return {};
    }
    const QString unshare = QStandardPaths::findExecutable(QStringLiteral("unshare"));
    if (unshare.isEmpty()) {
        *skip = QStringLiteral("unshare (util-linux) is not installed");
        return {};
    }
    QProcess helper;
    helper.start(unshare, QStringList{QStringLiteral("--mount"), QStringLiteral("--net"),
                                      QCoreApplication::applicationFilePath(), QString::fromLatin1(kHelperFlag), mode} +
                              names);
    if (!helper.waitForFinished(60000)) {
        helper.kill();
        helper.waitForFinished();
        return {};
    }
    const QString err = QString::fromUtf8(helper.readAllStandardError());
    if (helper.exitCode() != 0 && err.startsWith(QStringLiteral("unshare:"))) {
        *skip = QStringLiteral("cannot make namespaces here: ") + err.trimmed();
        return {};
    }
    if (helper.exitCode() != 0) {
        qWarning("helper failed (%d): %s", helper.exitCode(), qPrintable(err));
        return {};
    }
    QList<ProbeResult> results;
    for (const QByteArray& line : helper.readAllStandardOutput().split('\n')) {
        int index = 0;
        int reachable = 0;
        long long ms = 0;
        int queries = 0;
        if (std::sscanf(line.constData(), "probe %d reachable=%d ms=%lld queries=%d", &index, &reachable, &ms,
                        &queries) == 4) {
            results << ProbeResult{reachable == 1, ms, queries};
        }
    }
    return results;
}
} // namespace

class TestReachability : public QObject
{
    Q_OBJECT

private slots:
    // Names that never reach DNS: /etc/hosts and numeric addresses, on the machine's own loopback.
    void loopbackNames_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("reachable");
        QTest::newRow("localhost") << QStringLiteral("localhost") << true;
        QTest::newRow("IPv4 loopback") << QStringLiteral("127.0.0.1") << true;
        QTest::newRow("empty") << QString() << false;
    }
    void loopbackNames()
    {
        QFETCH(QString, host);
        QFETCH(bool, reachable);
        LinuxReachability probe;
        QCOMPARE(probe.isReachable(host), reachable);
    }

    void currentProbe()
    {
        struct Never : Reachability
        {
            bool isReachable(const QString&) override { return false; }
        } never;
        Reachability::setCurrent(&never);
        QVERIFY(!Reachability::current().isReachable(QStringLiteral("127.0.0.1")));
        Reachability::setCurrent(nullptr);
        QVERIFY(Reachability::current().isReachable(QStringLiteral("127.0.0.1")));
    }

    // Bad names are refused before the resolver sees them; unknown names come back "no such name".
    void namesAgainstAnsweringResolver()
    {
        const QStringList names{QStringLiteral("localhost"),
                                QStringLiteral("127.0.0.1"),
                                QString(),
                                QStringLiteral("gr\u00fc\u00dfe.example"),
                                QString(10000, u'a'),
                                QStringLiteral("no-such-host.invalid"),
                                QStringLiteral("carrowen-unknown.example")};
        QString skip;
        const QList<ProbeResult> results = probeInNamespace(QStringLiteral("nxdomain"), names, &skip);
        if (!skip.isEmpty()) {
            QSKIP(qPrintable(skip));
        }
        QCOMPARE(results.size(), names.size());
        const bool expected[] = {true, true, false, false, false, false, false};
        const int expectedQueries[] = {0, 0, 0, 0, 0, -1, -1}; // -1: at least one
        for (qsizetype i = 0; i < names.size(); ++i) {
            const QByteArray row = names.at(i).left(40).toUtf8();
            QVERIFY2(results.at(i).reachable == expected[i], row.constData());
            if (expectedQueries[i] == 0) {
                // localhost comes from /etc/hosts; the others never get to the resolver.
                QVERIFY2(results.at(i).queries == 0, row.constData());
            } else {
                QVERIFY2(results.at(i).queries >= 1, row.constData());
            }
        }
    }

    // A resolver that never answers costs the bound (2 s), not its own time-outs (20 s here), and the
    // lookup left behind does not hold up the next probe.
    void silentResolver()
    {
        QString skip;
        const QList<ProbeResult> results = probeInNamespace(
            QStringLiteral("silent"), {QStringLiteral("carrowen-silent.example"), QStringLiteral("localhost")}, &skip);
        if (!skip.isEmpty()) {
            QSKIP(qPrintable(skip));
        }
        QCOMPARE(results.size(), 2);
        QVERIFY(!results.at(0).reachable);
        QVERIFY2(results.at(0).queries >= 1, "the resolver was never asked");
        QVERIFY2(results.at(0).ms < 2100, qPrintable(QString::number(results.at(0).ms)));
        QVERIFY(results.at(1).reachable);
    }

    // Addresses without a route: the namespace has loopback only.
    void noRoute()
    {
        QString skip;
        const QList<ProbeResult> results = probeInNamespace(QStringLiteral("none"),
                                                            {QStringLiteral("192.0.2.1"), QStringLiteral("2001:db8::1"),
                                                             QStringLiteral("127.0.0.1"), QStringLiteral("::1")},
                                                            &skip);
        if (!skip.isEmpty()) {
            QSKIP(qPrintable(skip));
        }
        QCOMPARE(results.size(), 4);
        QVERIFY(!results.at(0).reachable);
        QVERIFY(!results.at(1).reachable);
        QVERIFY(results.at(2).reachable);
        QVERIFY(results.at(3).reachable);
    }
};

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], kHelperFlag) == 0) {
        return runHelper(argc, argv);
    }
    QCoreApplication app(argc, argv);
    TestReachability test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_reachability.moc"
