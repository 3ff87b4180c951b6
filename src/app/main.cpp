// The carrowen executable: the connection monitor in the system tray.
#include "AppDelegate.h"
#include "Platform.h"
#include "SingleInstance.h"

#include <QApplication>
#include <QStandardPaths>

#include <clocale>

int main(int argc, char** argv)
{
    // With no display the same monitor runs on the offscreen platform: checks, speech, log.txt and
    // traces work, the windows are simply not visible.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    // Numbers in property lists and formats are read and written with the C conventions.
    std::setlocale(LC_NUMERIC, "C");
    // The monitor lives in the tray: closing its last window does not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    // One monitor per documents directory: a second start hands over to the running one and leaves.
    SingleInstance instance(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    if (!instance.claim()) {
        return 0;
    }

    Platform::installBackends(Platform::Backends::Linux);

    AppDelegate delegate; // loads the interface and installs the tray icon
    delegate.applicationDidFinishLaunching();
    QObject::connect(&instance, &SingleInstance::anotherStart, &delegate, [&delegate] { delegate.showSettings(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, &AppDelegate::applicationWillTerminate);
    return QApplication::exec();
}
