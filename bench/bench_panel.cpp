// The debug panel under a flood: a worker thread traces RATE lines a second (default 10,000, each
// about 90 characters) while the panel ticks at 12 Hz on the main thread. Prints once a second how
// late the latest ticks came (beyond their 83 ms period) and the resident memory; then the time to
// save a log of 1 MB of main text and to view it. Offscreen unless a display is set.
//
//   build/bin/bench_panel [seconds=20] [rate=10000]
#include "Debug.h"
#include "DebugPanel.h"
#include "Trace.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace {
double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toLong();
        }
    }
    return -1;
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    QDir(home.path()).mkdir(QStringLiteral("Documents"));
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 20;
    const int rate = argc > 2 ? std::atoi(argv[2]) : 10000;

    // Trace lines also go to standard error: keep the figures readable.
    const int savedErr = ::dup(STDERR_FILENO);
    const int devNull = ::open("/dev/null", O_WRONLY);
    ::dup2(devNull, STDERR_FILENO);
    FILE* out = fdopen(savedErr, "w");

    Debug::sharedEngineInstance()->notify(true);
    DebugPanel panel;
    std::atomic<bool> stop{false};
    std::atomic<long> written{0};
    std::thread worker([&] {
        // Bursts every 10 ms keep the rate without a sleep per line.
        const int perBurst = std::max(1, rate / 100);
        auto next = std::chrono::steady_clock::now();
        while (!stop) {
            for (int i = 0; i < perBurst; ++i) {
                traceMessage("flood line %ld from the worker, padded to a typical trace length .........", written++);
            }
            next += std::chrono::milliseconds(10);
            std::this_thread::sleep_until(next);
        }
    });

    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 worstGap = 0;
    qint64 worstThisSecond = 0;
    double worstWork = 0; // the longest systemTick() itself, in CPU milliseconds
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &panel, [&] {
        const qint64 now = clock.elapsed();
        // Lateness: how much later than its 83 ms period the tick came.
        worstGap = std::max(worstGap, now - last - 83);
        worstThisSecond = std::max(worstThisSecond, now - last - 83);
        last = now;
        // CPU time of the tick's work, which a busy machine does not inflate as it does wall time.
        const double before = threadCpuMs();
        panel.systemTick();
        worstWork = std::max(worstWork, threadCpuMs() - before);
    });
    QTimer report;
    int second = 0;
    QObject::connect(&report, &QTimer::timeout, &panel, [&] {
        ++second;
        std::fprintf(out, "t=%2ds lines=%7ld text=%7lld chars  worst tick late by %3lld ms  RSS %ld KiB\n", second,
                     written.load(), static_cast<long long>(panel.fullOutStr().size()),
                     static_cast<long long>(worstThisSecond), residentKiB());
        std::fflush(out);
        worstThisSecond = 0;
        if (second >= seconds) {
            app.quit();
        }
    });
    tick.setTimerType(Qt::PreciseTimer);
    tick.start(83);
    report.start(1000);
    app.exec();
    stop = true;
    worker.join();
    Debug::sharedEngineInstance()->notify(false);
    std::fprintf(out, "flood: %ld lines in %d s, ticks came at most %lld ms late, longest tick %.1f ms of CPU\n",
                 written.load(), seconds, static_cast<long long>(worstGap), worstWork);

    // A log of 1 MB of main text: save, then view.
    QString big;
    while (big.size() < 1000 * 1000) {
        big += QStringLiteral("a line of a saved log with numbers 12345 and words, about sixty\n");
    }
    panel.clrBtn();
    panel.setFullOutStr(big);
    QElapsedTimer t;
    t.start();
    panel.saveLog();
    const double saveMs = double(t.nsecsElapsed()) / 1e6;
    t.restart();
    panel.viewLogs();
    panel.systemTick(); // the view shows the listing on the tick
    const double viewMs = double(t.nsecsElapsed()) / 1e6;
    std::fprintf(out, "log of %lld chars: save %.1f ms, view %.1f ms\n", static_cast<long long>(big.size()), saveMs,
                 viewMs);
    return 0;
}
