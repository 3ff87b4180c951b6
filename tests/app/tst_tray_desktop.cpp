// The tray icon on a real X display with a tray host (Xvfb and trayer in the test session): it docks,
// and what the tray shows follows the connection state.
#include "AppDelegate.h"
#include "AppDelegateUi.h"
#include "FakeReachability.h"
#include "ManualClock.h"
#include "TestHome.h"

#include "Platform.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QScreen>
#include <QSlider>
#include <QSystemTrayIcon>
#include <QTest>

namespace {

// How many pixels of the tray strip (the top of the screen, where the tray host sits) are clearly
// green and how many clearly red: the icons are a green and a red disc, nothing else there is.
struct Shown
{
    int green = 0;
    int red = 0;
};

Shown shownInTray()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    const QImage image = screen->grabWindow(0, 0, 0, screen->geometry().width(), 40).toImage();
    Shown shown;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.green() > c.red() + 60 && c.green() > c.blue() + 30) {
                ++shown.green;
            } else if (c.red() > c.green() + 60 && c.red() > c.blue() + 60) {
                ++shown.red;
            }
        }
    }
    return shown;
}

QString describeTray()
{
    const Shown s = shownInTray();
    return QStringLiteral("the tray strip shows %1 green and %2 red pixels").arg(s.green).arg(s.red);
}

bool showsGreen()
{
    const Shown s = shownInTray();
    return s.green > 20 && s.red == 0;
}
bool showsRed()
{
    const Shown s = shownInTray();
    return s.red > 20 && s.green == 0;
}

} // namespace

class TestTrayDesktop : public QObject
{
    Q_OBJECT

private slots:
    void iconDocksAndFollowsTheState()
    {
        if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
            QSKIP("needs an X display with a tray host");
        }
        QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 20000);

        TestHome home;
        ManualClock clock;
        Platform::installBackends(Platform::Backends::Null);
        FakeReachability probe;
        AppDelegate app;
        app.applicationDidFinishLaunching();
        app.ui().intSlider->setValue(1);
        app.ui().checkFailAlert->setChecked(false);

        QTRY_VERIFY_WITH_TIMEOUT(app.statusBar()->geometry().width() > 0, 20000); // docked

        probe.setReachable(QStringLiteral("www.debian.org"));
        for (int i = 0; i < 18; ++i) { // tick 18: a flash tick that shows the state image
            app.gameLoop();
        }
        QCOMPARE(app.statusImageName(), QStringLiteral("checkOk.png"));
        QTRY_VERIFY2_WITH_TIMEOUT(showsGreen(), qPrintable(describeTray()), 20000);

        probe.setReachable(QStringLiteral("www.debian.org"), false);
        for (int i = 0; i < 12; ++i) { // the probe at tick 24 finds it down; tick 30 shows it
            app.gameLoop();
        }
        QCOMPARE(app.statusImageName(), QStringLiteral("checkFail.png"));
        QTRY_VERIFY2_WITH_TIMEOUT(showsRed(), qPrintable(describeTray()), 20000);
        QDir::setCurrent(QDir::tempPath());
    }
};

int main(int argc, char** argv)
{
    // The test environment asks for the offscreen platform; this test wants the real display.
    if (!qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    TestTrayDesktop test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_tray_desktop.moc"
