// The carrowen executable: the connection monitor in the system tray.
#include "AppDelegate.h"
#include "OutageHistory.h"
#include "Platform.h"
#include "Resources.h"
#include "SingleInstance.h"
#include "Trace.h"

#include <QApplication>
#include <QFileInfo>
#include <QStandardPaths>

#include <clocale>
#include <cstdio>
#include <cstring>

namespace {

const char* const Usage = "Usage: carrowen [--help | --version]\n"
                          "\n"
                          "Watches the Internet connection from the system tray: every change is spoken, shown,\n"
                          "logged to ~/Documents/com.velbor.Carrowen/log.txt and recorded in history.csv there.\n"
                          "Everything else is set in the settings window. Without a display it runs headless.\n"
                          "\n"
                          "  --help     print this text and exit\n"
                          "  --version  print the version and exit\n";

} // namespace

int main(int argc, char** argv)
{
    // The two options that print and exit, before anything else starts; every other argument is left
    // to Qt as before.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("carrowen %s\n", CARROWEN_VERSION);
            return 0;
        }
    }
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
    // The resources are looked up beside the executable (<prefix>/share/carrowen).
    if (!QFileInfo::exists(resourcePath(QStringLiteral("checkOk.png")))) {
        TRACE("no resources in %@: icons and sounds are missing", resourceDirectory());
    }

    AppDelegate delegate; // loads the interface and installs the tray icon
    delegate.applicationDidFinishLaunching();
    QObject::connect(&instance, &SingleInstance::anotherStart, &delegate, [&delegate] { delegate.showSettings(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, &AppDelegate::applicationWillTerminate);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, [&delegate] { delegate.history()->end(); });
    return QApplication::exec();
}
