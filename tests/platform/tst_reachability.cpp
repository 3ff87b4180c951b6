#include "NetNamespace.h"
#include "linux/LinuxReachability.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

// Names that would be looked up in DNS are probed only inside private namespaces (NetNamespace.h),
// so no query ever leaves them. The helper there is this test binary started with --in-namespace.

namespace {
constexpr const char* kHelperFlag = "--in-namespace";

std::atomic<int> g_queries{0};

int runHelper(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "helper: mode missing\n");
        return 2;
    }
    const QByteArray mode = argv[2];
    QString error;
    if (!NetNamespace::enterPrivateNetwork(&error)) {
        std::fprintf(stderr, "helper: %s\n", qPrintable(error));
        return 4;
    }
    if ((mode == "silent" || mode == "nxdomain") &&
        !NetNamespace::startDnsStandIn(mode == "silent" ? NetNamespace::Dns::Silent : NetNamespace::Dns::NoSuchName,
                                       &g_queries)) {
        std::fprintf(stderr, "helper: cannot listen on 127.0.0.1:53\n");
        return 5;
    }
    LinuxReachability probe;
    for (int i = 3; i < argc; ++i) {
        const int queriesBefore = g_queries.load();
        const auto start = std::chrono::steady_clock::now();
        const Reachability::Outcome outcome = probe.examine(QString::fromUtf8(argv[i]));
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
        // Let the stand-in count a query that was sent just before an early answer.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::printf("probe %d reachable=%d ms=%lld queries=%d reason=%d\n", i - 3, outcome.reachable ? 1 : 0,
                    static_cast<long long>(ms), g_queries.load() - queriesBefore, int(outcome.reason));
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
    Reachability::Reason reason = Reachability::Reason::None;
};

// Runs the helper in fresh mount and network namespaces and answers one result per name; sets skip
// to a reason when the machine cannot make the namespaces.
QList<ProbeResult> probeInNamespace(const QString& mode, const QStringList& names, QString* skip)
{
    const QStringList command = NetNamespace::unshareArguments(
        QCoreApplication::applicationFilePath(), QStringList{QString::fromLatin1(kHelperFlag), mode} + names, skip);
    if (command.isEmpty()) {
        return {};
    }
    QProcess helper;
    helper.start(command.first(), command.mid(1));
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
        int reason = 0;
        if (std::sscanf(line.constData(), "probe %d reachable=%d ms=%lld queries=%d reason=%d", &index, &reachable, &ms,
                        &queries, &reason) == 5) {
            results << ProbeResult{reachable == 1, ms, queries, Reachability::Reason(reason)};
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
    // Bad names are refused before the resolver sees them; unknown names come back "no such name".
    void namesAgainstAnsweringResolver()
    {
        const QStringList names{QStringLiteral("localhost"),
                                QStringLiteral("127.0.0.1"),
                                QString(),
                                QStringLiteral("gr\u00fc\u00dfe.example"),
                                QString(10000, u'a'),
                                QStringLiteral("no-such-host.invalid"),
                                QStringLiteral("carrowen-unknown.example"),
                                QStringLiteral("192.0.2.1"),
                                QStringLiteral("2001:db8::1"),
                                QStringLiteral("::1")};
        QString skip;
        const QList<ProbeResult> results = probeInNamespace(QStringLiteral("nxdomain"), names, &skip);
        if (!skip.isEmpty()) {
            QSKIP(qPrintable(skip));
        }
        QCOMPARE(results.size(), names.size());
        // The addresses at the end have no route but loopback's: the namespace has nothing else.
        const bool expected[] = {true, true, false, false, false, false, false, false, false, true};
        const int expectedQueries[] = {0, 0, 0, 0, 0, -1, -1, 0, 0, 0}; // -1: at least one
        using R = Reachability::Reason;
        const R lookup = R::LookupFailed;
        const R reasons[] = {R::None, R::None, lookup, lookup, lookup, lookup, lookup, R::NoRoute, R::NoRoute, R::None};
        for (qsizetype i = 0; i < names.size(); ++i) {
            const QByteArray row = names.at(i).left(40).toUtf8();
            QVERIFY2(results.at(i).reachable == expected[i], row.constData());
            QVERIFY2(results.at(i).reason == reasons[i], row.constData());
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
        QVERIFY(results.at(0).reason == Reachability::Reason::LookupTimedOut);
        QVERIFY2(results.at(0).queries >= 1, "the resolver was never asked");
        QVERIFY2(results.at(0).ms < 2100, qPrintable(QString::number(results.at(0).ms)));
        QVERIFY(results.at(1).reachable);
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
