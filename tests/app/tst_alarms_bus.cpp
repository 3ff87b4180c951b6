// Sleep grace and desktop notifications against fakes of logind and of a notification server on a
// private dbus-daemon, which stands in for both the system and the session bus.
#include "AppDelegate.h"
#include "AppDelegateUi.h"
#include "FakeReachability.h"
#include "ManualClock.h"
#include "TestHome.h"
#include "TraceRecorder.h"
#include "linux/DBusNotifications.h"
#include "linux/LinuxSystemEvents.h"

#include "Platform.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QProcess>
#include <QTest>

namespace {

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

} // namespace

class FakeNotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList bodies;

public slots:
    uint Notify(const QString&, uint, const QString&, const QString&, const QString& body, const QStringList&,
                const QVariantMap&, int)
    {
        bodies << body;
        return uint(bodies.size());
    }
};

class TestAlarmsBus : public QObject
{
    Q_OBJECT

private:
    QProcess m_daemon;
    std::unique_ptr<QDBusConnection> m_peer;
    FakeNotificationServer m_server;
    TestHome m_home;
    ManualClock m_clock;
    std::unique_ptr<FakeReachability> m_probe;
    std::unique_ptr<AppDelegate> m_app;

    AppDelegate& launch()
    {
        m_app = std::make_unique<AppDelegate>();
        m_app->applicationDidFinishLaunching();
        m_app->ui().txtUrl->setText(s("h"));
        m_app->ui().intSlider->setValue(1);
        return *m_app;
    }
    // One check a second, with the answer given.
    void second(bool reachable)
    {
        m_probe->setReachable(s("h"), reachable);
        const int next = (m_app->tick() / 12 + 1) * 12;
        while (m_app->tick() < next) {
            m_app->gameLoop();
        }
    }
    QStringList log() const
    {
        QFile file(m_home.documents() + s("/com.velbor.Carrowen/log.txt"));
        file.open(QIODevice::ReadOnly);
        QStringList messages;
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (!line.isEmpty()) {
                messages << QString::fromLatin1(line).section(u'-', 2);
            }
        }
        return messages;
    }
    void prepareForSleep(bool sleeping)
    {
        QDBusMessage signal = QDBusMessage::createSignal(s("/org/freedesktop/login1"),
                                                         s("org.freedesktop.login1.Manager"), s("PrepareForSleep"));
        signal << sleeping;
        QVERIFY(m_peer->send(signal));
    }

private slots:
    void initTestCase()
    {
        m_daemon.start(s("dbus-daemon"), {s("--session"), s("--nofork"), s("--print-address=1")});
        if (!m_daemon.waitForStarted(5000) || !m_daemon.waitForReadyRead(5000)) {
            QSKIP("dbus-daemon cannot be started here");
        }
        const QByteArray address = m_daemon.readLine().trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);
        m_peer =
            std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(QString::fromLatin1(address), s("peer")));
        QVERIFY(m_peer->registerService(s("org.freedesktop.login1")));
        QVERIFY(
            m_peer->registerObject(s("/org/freedesktop/Notifications"), &m_server, QDBusConnection::ExportAllSlots));
        QVERIFY(m_peer->registerService(s("org.freedesktop.Notifications")));
        Platform::installBackends(Platform::Backends::Null);
        m_probe = std::make_unique<FakeReachability>();
        Platform::setSystemEvents(std::make_shared<LinuxSystemEvents>());
        Platform::setNotifications(std::make_shared<DBusNotifications>());
    }

    void cleanupTestCase()
    {
        m_app.reset();
        m_daemon.kill();
        m_daemon.waitForFinished();
    }

    // No "down" from the suspend until the grace (10 s) after the resume has passed; then the state as
    // it is, once.
    void sleepGraceAgainstFakeLogind()
    {
        TraceRecorder traces;
        AppDelegate& app = launch();
        second(true);
        prepareForSleep(true);
        QTRY_COMPARE(traces.count(s("suspending")), 1);
        for (int i = 0; i < 3; ++i) {
            second(false);
        }
        prepareForSleep(false);
        QTRY_COMPARE(traces.count(s("resumed")), 1);
        m_clock.advance(9);
        second(false);
        QCOMPARE(log(), QStringList{app.ui().txtNetOkSpk->text()});
        m_clock.advance(1.5);
        second(false);
        second(false);
        QCOMPARE(log(), QStringList({app.ui().txtNetOkSpk->text(), app.ui().txtNetFailSpk->text()}));
    }

    // The notification carries the sentence and replaces the alert window; without a server, and
    // once the bus itself is gone, the alert window comes instead (traced once).
    void notificationsFallBackToTheAlert()
    {
        TraceRecorder traces;
        AppDelegate& app = launch();
        app.alarmUi().notifyDown->setChecked(true);
        second(true);
        second(false);
        QTRY_COMPARE(m_server.bodies, QStringList{app.ui().txtNetFailSpk->text()});
        QVERIFY(!app.windowAlert()->isVisible());
        app.alarmUi().notifyDown->setChecked(false);
        second(true);
        QTest::qWait(200);
        QCOMPARE(m_server.bodies.size(), 1); // the switch of "up" is off

        app.alarmUi().notifyDown->setChecked(true);
        QVERIFY(m_peer->unregisterService(s("org.freedesktop.Notifications")));
        second(false);
        QTRY_VERIFY(app.windowAlert()->isVisible());
        app.alertOK();
        m_daemon.kill();
        m_daemon.waitForFinished();
        second(true);
        second(false);
        QTRY_VERIFY(app.windowAlert()->isVisible());
        QCOMPARE(traces.count(s("no desktop notification server")), 1);
        QCOMPARE(m_server.bodies.size(), 1);
    }
};

QTEST_MAIN(TestAlarmsBus)
#include "tst_alarms_bus.moc"
