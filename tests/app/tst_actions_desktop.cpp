// The monitor's windows on a real X display (the test session's Xvfb): closing the about window with
// its close control (the window manager's delete request) saves the settings, the alert's OK does not.
#include "AppDelegate.h"
#include "AppDelegateUi.h"
#include "FakeWorkspace.h"
#include "MonitorTestCase.h"
#include "TestText.h"

#include "Platform.h"
#include "Plist.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstring>
#include <memory>

namespace {

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, quint16(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

// What a window manager's close button sends, from a connection of its own: WM_PROTOCOLS with
// WM_DELETE_WINDOW, delivered to the client that made the window.
bool sendDeleteRequest(QWidget* window)
{
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return false;
    }
    // The window handle's id: the widget's own id can be out of date after a flag change made a new
    // X window for it.
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = xcb_window_t(window->windowHandle()->winId());
    event.type = atom(connection, "WM_PROTOCOLS");
    event.data.data32[0] = atom(connection, "WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection, 0, event.window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr)); // a round trip
    xcb_disconnect(connection);
    return true;
}

// The window that has the keyboard focus, as the X server sees it.
xcb_window_t inputFocus()
{
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    xcb_get_input_focus_reply_t* reply =
        xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr);
    const xcb_window_t focus = reply ? reply->focus : xcb_window_t(XCB_NONE);
    std::free(reply);
    xcb_disconnect(connection);
    return focus;
}

// Counts the hide events a widget receives.
class HideCounter : public QObject
{
public:
    int hides = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        hides += event->type() == QEvent::Hide ? 1 : 0;
        return false;
    }
};

QString savedHost(const QString& path)
{
    const auto settings = Plist::readFile(path);
    return settings ? settings->toMap().value(s("gen0")).toString() : QString();
}

} // namespace

class TestActionsDesktop : public MonitorTestCase
{
    Q_OBJECT

private:
    QString settingsPath() const { return m_home->documents() + s("/com.velbor.Carrowen/TestFile.txt"); }

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != s("xcb")) {
            QSKIP("needs an X display (run inside tools/with-session.sh)");
        }
        Platform::installBackends(Platform::Backends::Null);
        Platform::setWorkspace(std::make_shared<FakeWorkspace>());
    }

    void init()
    {
        setUpMonitor();
        launch().ui().checkingEnabled->setChecked(false); // no checks (and no alerts) while the test waits
    }

    void cleanup() { tearDownMonitor(); }

    void alertOKSavesNothing()
    {
        m_app->ui().txtUrl->setText(s("changed.invalid"));
        m_app->alertUi().txtAlert->setText(s("The Internet connection is down."));
        m_app->showAlert();
        QVERIFY(QTest::qWaitForWindowExposed(m_app->windowAlert()));
        m_app->alertUi().btnAlertOK->click();
        QTRY_VERIFY(!m_app->windowAlert()->isVisible());
        QTest::qWait(200);
        QCOMPARE(savedHost(settingsPath()), s("www.debian.org"));
    }

    void firstShowTakesTheFocusAndStaysAbove()
    {
        // Raising it above normal windows does not hide it again after it was activated.
        QWidget* window = m_app->windowSettings();
        HideCounter counter;
        window->installEventFilter(&counter);
        m_app->showSettings();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QVERIFY(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QTRY_COMPARE(inputFocus(), xcb_window_t(window->windowHandle()->winId()));
        QCOMPARE(counter.hides, 0);
    }

    void closeControlOfTheAboutWindowSaves()
    {
        m_app->ui().txtUrl->setText(s("changed.invalid"));
        m_app->about();
        QVERIFY(QTest::qWaitForWindowExposed(m_app->windowAbout()));
        QCOMPARE(savedHost(settingsPath()), s("www.debian.org"));
        QVERIFY(sendDeleteRequest(m_app->windowAbout()));
        QTRY_VERIFY(!m_app->windowAbout()->isVisible());
        QCOMPARE(savedHost(settingsPath()), s("changed.invalid"));
    }
};

// The X display when the session has one, otherwise offscreen so that the test can say it skips.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "xcb");
    QApplication app(argc, argv);
    TestActionsDesktop test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_actions_desktop.moc"
