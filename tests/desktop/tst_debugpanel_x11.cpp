#include "DebugPanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QWindow>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

// "Always on top" checked against the X server's stacking order, with a real window manager (openbox)
// doing the stacking, as on a desktop. Both run on a private Xvfb of this test, so that the window
// manager cannot disturb other tests that share the session's display.
class TestDebugPanelX11 : public QObject
{
    Q_OBJECT
    Display* dpy = nullptr;
    QProcess wm;

    // Whether a is stacked above b, in the window manager's stacking list (bottom to top).
    bool above(QWidget* a, QWidget* b) const
    {
        const Atom stacking = XInternAtom(dpy, "_NET_CLIENT_LIST_STACKING", False);
        Atom type = 0;
        int fmt = 0;
        unsigned long count = 0, left = 0;
        unsigned char* data = nullptr;
        XSync(dpy, False);
        XGetWindowProperty(dpy, DefaultRootWindow(dpy), stacking, 0, 1024, False, XA_WINDOW, &type, &fmt, &count, &left,
                           &data);
        const auto* windows = reinterpret_cast<const Window*>(data);
        // The window handle's id: QWidget::winId() can still answer the X window that a change of
        // flags replaced.
        const Window wa = Window(a->windowHandle()->winId()), wb = Window(b->windowHandle()->winId());
        int ia = -1, ib = -1;
        for (unsigned long i = 0; i < count; ++i) {
            ia = windows[i] == wa ? int(i) : ia;
            ib = windows[i] == wb ? int(i) : ib;
        }
        if (data)
            XFree(data);
        return ia >= 0 && ib >= 0 && ia > ib;
    }

    bool wmReady() const
    {
        const Atom check = XInternAtom(dpy, "_NET_SUPPORTING_WM_CHECK", False);
        Atom type = 0;
        int fmt = 0;
        unsigned long count = 0, left = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(dpy, DefaultRootWindow(dpy), check, 0, 1, False, XA_WINDOW, &type, &fmt, &count, &left,
                           &data);
        if (data)
            XFree(data);
        return count == 1;
    }

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QStringLiteral("xcb"))
            QSKIP("needs Xvfb and openbox");
        dpy = XOpenDisplay(nullptr);
        QVERIFY(dpy);
        wm.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        QVERIFY(wm.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(wmReady(), 10000);
    }

    void cleanupTestCase()
    {
        if (wm.state() != QProcess::NotRunning) {
            wm.terminate();
            wm.waitForFinished(5000);
        }
        if (dpy)
            XCloseDisplay(dpy);
    }

    void staysAboveOnlyWhenAsked()
    {
        DebugPanel panel;
        QWidget normal;
        normal.resize(300, 200);
        normal.show();
        QVERIFY(QTest::qWaitForWindowExposed(panel.window_debug()));
        QVERIFY(QTest::qWaitForWindowExposed(&normal));

        panel.alwaysOnTopOutlet()->setChecked(true);
        QVERIFY(QTest::qWaitForWindowExposed(panel.window_debug()));
        normal.raise();
        normal.activateWindow();
        QTRY_VERIFY_WITH_TIMEOUT(above(panel.window_debug(), &normal), 5000);
        QTest::qWait(300); // and it stays there
        QVERIFY(above(panel.window_debug(), &normal));

        panel.alwaysOnTopOutlet()->setChecked(false);
        QVERIFY(QTest::qWaitForWindowExposed(panel.window_debug()));
        normal.raise();
        normal.activateWindow();
        QTRY_VERIFY_WITH_TIMEOUT(above(&normal, panel.window_debug()), 5000);
    }
};

int main(int argc, char** argv)
{
    // A private X server: "-displayfd 1" makes Xvfb print the display number it took.
    QProcess xvfb;
    if (!QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() &&
        !QStandardPaths::findExecutable(QStringLiteral("openbox")).isEmpty()) {
        xvfb.start(QStringLiteral("Xvfb"),
                   {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                    QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        if (xvfb.waitForStarted() && xvfb.waitForReadyRead(10000)) {
            qputenv("DISPLAY", ":" + xvfb.readAllStandardOutput().trimmed());
        }
    }
    qputenv("QT_QPA_PLATFORM", xvfb.state() == QProcess::Running ? QByteArray("xcb") : QByteArray("offscreen"));
    int status = 0;
    {
        QApplication app(argc, argv);
        TestDebugPanelX11 test;
        status = QTest::qExec(&test, argc, argv);
    }
    if (xvfb.state() != QProcess::NotRunning) {
        xvfb.terminate();
        xvfb.waitForFinished(5000);
    }
    return status;
}

#include "tst_debugpanel_x11.moc"
