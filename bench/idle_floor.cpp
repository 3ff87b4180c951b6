// The floor for the idle figure: an empty Qt Widgets program with one timer at the monitor's tick
// rate (12 per second) and nothing else. bench/idle.sh runs it beside carrowen.
#include <QApplication>
#include <QTimer>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QTimer timer;
    int ticks = 0;
    QObject::connect(&timer, &QTimer::timeout, &app, [&ticks] { ++ticks; });
    timer.start(83);
    return QApplication::exec();
}
