// Ticks per second of the monitor: runs the controller headless for SECONDS (default 30) in a
// temporary HOME, probing localhost, and prints the ticks counted against the twelve a second the
// tick aims at.
//
//   bench_tick [seconds]
#include "AppDelegate.h"
#include "AppDelegateUi.h"
#include "Platform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    QApplication app(argc, argv);
    Platform::installBackends(Platform::Backends::Null);

    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    delegate.ui().txtUrl->setText(QStringLiteral("localhost")); // never a name that needs the network
    // A 1 ms watch notes the moment of each tick, so that the rate is taken between two ticks.
    QElapsedTimer clock;
    clock.start();
    int lastTick = delegate.tick();
    qint64 firstAt = -1, lastAt = -1;
    int firstTick = 0;
    QTimer watch;
    watch.setTimerType(Qt::PreciseTimer);
    QObject::connect(&watch, &QTimer::timeout, &app, [&] {
        if (delegate.tick() == lastTick) {
            return;
        }
        lastTick = delegate.tick();
        lastAt = clock.nsecsElapsed();
        if (firstAt < 0) {
            firstAt = lastAt;
            firstTick = lastTick;
        }
    });
    watch.start(1);
    QTimer::singleShot(seconds * 1000, &app, [] { QCoreApplication::exit(0); });
    QApplication::exec();
    const double elapsed = double(lastAt - firstAt) / 1e9;
    const int ticks = lastTick - firstTick;
    std::printf("%d ticks in %.4f s: %.4f a second (aim 12.0000), %+.3f %%\n", ticks, elapsed, ticks / elapsed,
                (ticks / elapsed / 12.0 - 1.0) * 100.0);
    return 0;
}
