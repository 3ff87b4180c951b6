// Opens a debug panel beside a small "host" program, ticks it twelve times a second and traces lines
// and panel commands into it, from the main thread and from a worker thread.
//
//   build/bin/debug_panel_demo            runs until the panel's window is closed
//   build/bin/debug_panel_demo 10         quits by itself after 10 seconds
#include "Debug.h"
#include "DebugPanel.h"
#include "NotificationCenter.h"
#include "Trace.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <thread>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Debug::sharedEngineInstance()->notify(true); // trace lines now also reach the panel

    DebugPanel panel;
    panel.setTitle(QStringLiteral("Demo host: press the buttons, watch the labels"));
    panel.setWindowTitle(QStringLiteral("Debug panel demo"));

    // The host's own loop drives the panel's clock.
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &panel, [&panel] { panel.systemTick(); });
    tick.start(83);

    // Presses of the panel's host buttons come back as "DebugPanel" notifications.
    NotificationCenter::defaultCenter().addObserver(QStringLiteral("DebugPanel"), [](const Notification& n) {
        traceMessage("txt1!the host saw %@", n.object);
        traceMessage("flag2!%@ pressed", n.object);
    });

    int step = 0;
    QTimer host;
    QObject::connect(&host, &QTimer::timeout, &panel, [&step] {
        ++step;
        TRACE("host step %d", step);
        traceMessage("s%d!step %d", step % 32, step);
        traceMessage("txt0!%d steps so far", step);
        if (step % 5 == 0) {
            traceMessage("/");
            traceMessage("time");
        }
        if (step % 7 == 0) {
            traceMessage("flag4!Check step %d", step);
            traceMessage("btn%d!step %d", step % 10, step);
        }
    });
    host.start(500);

    // Traces from another thread arrive on the panel's thread, in order.
    std::atomic<bool> stop{false};
    std::thread worker([&stop] {
        for (int i = 0; !stop; ++i) {
            traceMessage("worker line %d", i);
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
        }
    });

    QObject::connect(&app, &QApplication::lastWindowClosed, &app, &QApplication::quit);
    if (argc > 1) {
        QTimer::singleShot(QString::fromLocal8Bit(argv[1]).toInt() * 1000, &app, &QApplication::quit);
    }
    const int status = app.exec();
    stop = true;
    worker.join();
    Debug::sharedEngineInstance()->notify(false);
    return status;
}
