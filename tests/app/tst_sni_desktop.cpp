// The tray icon on a desktop whose tray is a StatusNotifierItem host: on a private session bus (the
// test runs under dbus-run-session), a stand-in StatusNotifierWatcher (this program started again
// with --watcher) must see the icon register itself.
#include "AppDelegate.h"
#include "FakeReachability.h"
#include "TestHome.h"
#include "TestText.h"

#include "Platform.h"

#include <QApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusError>
#include <QProcess>
#include <QTest>

#include <cstdio>
#include <cstring>

// The watcher's side of the protocol, as much of it as an item uses to find and join the host.
class Watcher : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)

public:
    explicit Watcher(QObject* parent) : QDBusAbstractAdaptor(parent) {}
    bool isHostRegistered() const { return true; }

public slots:
    void RegisterStatusNotifierItem(const QString& service)
    {
        std::printf("registered %s\n", qPrintable(service));
        std::fflush(stdout);
    }
};

class TestSniDesktop : public QObject
{
    Q_OBJECT

private slots:
    void iconRegistersWithTheWatcher()
    {
        if (QGuiApplication::platformName() != s("xcb")) {
            QSKIP("needs an X display");
        }
        if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
            QSKIP("no session bus: run under dbus-run-session");
        }
        QProcess watcher;
        watcher.start(QCoreApplication::applicationFilePath(), {s("--watcher")});
        QVERIFY(watcher.waitForReadyRead(20000));
        QVERIFY(watcher.readLine().startsWith("ready"));

        Platform::installBackends(Platform::Backends::Null);
        TestHome home;
        FakeReachability probe;
        AppDelegate app; // installs the tray icon
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += watcher.readAll()).contains("registered "), 20000);
        QVERIFY2(said.contains("StatusNotifierItem") || said.contains(":1."), said.constData()); // its bus name
    }
};

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--watcher") == 0) {
        QCoreApplication app(argc, argv);
        QObject root;
        new Watcher(&root);
        QDBusConnection bus = QDBusConnection::sessionBus();
        const bool ok = bus.registerObject(s("/StatusNotifierWatcher"), &root, QDBusConnection::ExportAdaptors) &&
                        bus.registerService(s("org.kde.StatusNotifierWatcher"));
        std::printf("%s\n", ok ? "ready" : qPrintable(bus.lastError().message()));
        std::fflush(stdout);
        return QCoreApplication::exec();
    }
    // The test environment asks for the offscreen platform; the tray needs the real display.
    if (!qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication app(argc, argv);
    TestSniDesktop test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sni_desktop.moc"
