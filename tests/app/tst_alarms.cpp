// Alarm thresholds, the options file, sleep grace and desktop notifications: the controller on its
// real interface files (offscreen) with a fake probe and a standing clock, and fakes of logind and of a
// notification server on a private dbus-daemon standing in for both the system and the session bus.
#include "AppDelegate.h"
#include "AppDelegateUi.h"
#include "FakeReachability.h"
#include "ManualClock.h"
#include "TestHome.h"
#include "TestText.h"
#include "TraceRecorder.h"
#include "linux/DBusNotifications.h"
#include "linux/LinuxSystemEvents.h"

#include "Platform.h"
#include "Plist.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QProcess>
#include <QTest>

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

class TestAlarms : public QObject
{
    Q_OBJECT

private:
    QProcess m_daemon;
    std::unique_ptr<QDBusConnection> m_peer;
    FakeNotificationServer m_server;
    std::unique_ptr<TestHome> m_home;
    ManualClock m_clock;
    std::unique_ptr<FakeReachability> m_probe;
    std::unique_ptr<AppDelegate> m_app;

    QString appFile(const char* name) const { return m_home->documents() + s("/com.velbor.Carrowen/") + s(name); }
    // Launches the monitor, checking host "h" every second unless the settings are to stay untouched.
    AppDelegate& launch(bool checkEverySecond = true)
    {
        m_app = std::make_unique<AppDelegate>();
        m_app->applicationDidFinishLaunching();
        if (checkEverySecond) {
            m_app->ui().txtUrl->setText(s("h"));
            m_app->ui().intSlider->setValue(1);
        }
        return *m_app;
    }
    // Runs to the next check tick, the probe answering as given.
    void second(bool reachable)
    {
        m_probe->setReachable(s("h"), reachable);
        for (const int next = (m_app->tick() / 12 + 1) * 12; m_app->tick() < next;) {
            m_app->gameLoop();
        }
    }
    // The announcements in log.txt: "U" for each up sentence, "D" for each down sentence.
    QString logged() const
    {
        QString seen;
        for (const QByteArray& line : readAll(appFile("log.txt")).split('\n')) {
            seen += line.endsWith(m_app->ui().txtNetOkSpk->text().toLatin1()) ? s("U")
                    : line.isEmpty()                                          ? s("")
                                                                              : s("D");
        }
        return seen;
    }
    void busOrSkip()
    {
        if (!m_peer) {
            QSKIP("dbus-daemon cannot be started here");
        }
    }

private slots:
    void initTestCase()
    {
        Platform::installBackends(Platform::Backends::Null);
        m_probe = std::make_unique<FakeReachability>();
        m_daemon.start(s("dbus-daemon"), {s("--session"), s("--nofork"), s("--print-address=1")});
        if (m_daemon.waitForStarted(5000) && m_daemon.waitForReadyRead(5000)) {
            const QByteArray address = m_daemon.readLine().trimmed();
            qputenv("DBUS_SESSION_BUS_ADDRESS", address);
            qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);
            m_peer = std::make_unique<QDBusConnection>(
                QDBusConnection::connectToBus(QString::fromLatin1(address), s("peer")));
            QVERIFY(m_peer->registerService(s("org.freedesktop.login1")));
            QVERIFY(m_peer->registerObject(s("/org/freedesktop/Notifications"), &m_server,
                                           QDBusConnection::ExportAllSlots));
            QVERIFY(m_peer->registerService(s("org.freedesktop.Notifications")));
            Platform::setSystemEvents(std::make_shared<LinuxSystemEvents>());
            Platform::setNotifications(std::make_shared<DBusNotifications>());
        }
    }
    void init() { m_home = std::make_unique<TestHome>(); }
    void cleanup()
    {
        m_app.reset();
        m_home.reset();
    }
    void cleanupTestCase()
    {
        m_daemon.kill();
        m_daemon.waitForFinished();
    }

    // "down" after 3 failed checks in a row, "up" after 2 good ones: a single failure among successes
    // (or success among failures) announces nothing; the tray shows "unsure" meanwhile.
    void thresholdsAgainstFlapping()
    {
        AppDelegate& app = launch();
        app.alarmUi().downAfter->setValue(3);
        app.alarmUi().upAfter->setValue(2);
        app.alarmUi().showUnsure->setChecked(true);
        for (const char answer : QByteArray("10100010111")) {
            second(answer == '1');
            if (app.tick() == 60) { // two failures pending: the next bright flash shows "unsure"
                for (int i = 0; i < 6; ++i) {
                    app.gameLoop();
                }
                QCOMPARE(app.statusImageName(), s("checkUnsure.png"));
            }
        }
        QCOMPARE(logged(), s("UDU"));
        QCOMPARE(app.lastFailureReason(), s("address unreachable"));
        QCOMPARE(app.statusImageName(), s("checkOk.png"));
    }

    // No Options.txt while every option is at its default, and the settings files of a start before
    // the options existed are written back byte for byte; options are saved when a window closes,
    // read at the next start, put back to their defaults by Reset and Reload. Bad files (garbage,
    // truncated, wrong types, out of range) give the defaults for what is bad, with one trace line.
    void optionsFile()
    {
        launch(false);
        m_app.reset();
        const QByteArray settings = readAll(appFile("TestFile.txt"));
        const QByteArray defaults = readAll(appFile("Defaults.txt"));
        AppDelegate& app = launch(false);
        app.windowClosed(app.windowAbout());
        QVERIFY(!QFile::exists(appFile("Options.txt")));
        app.alarmUi().downAfter->setValue(4);
        app.windowClosed(app.windowSettings());
        QCOMPARE(readAll(appFile("TestFile.txt")) + readAll(appFile("Defaults.txt")), settings + defaults);
        QCOMPARE(launch(false).options().downAfter, 4);
        m_app->resetDefaults();
        QVERIFY(m_app->options() == AppOptions() && AppOptions::load(appFile("Options.txt")) == AppOptions());

        const QByteArray good = *Plist::toXml(QVariantMap{{s("downAfterFailures"), 5}, {s("notifyUp"), 2}});
        for (const QByteArray& bytes :
             {QByteArray("\x01\xffjunk"), good.left(good.size() / 2), *Plist::toXml(QVariantList{5}),
              *Plist::toXml(QVariantMap{{s("downAfterFailures"), s("5")}, {s("upAfterSuccesses"), 0}}),
              *Plist::toXml(QVariantMap{{s("downAfterFailures"), 5.0}, {s("sleepGraceSeconds"), Q_INT64_C(1) << 40}}),
              good}) {
            QFile file(appFile("Options.txt"));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
            file.close();
            TraceRecorder traces;
            const AppOptions o = AppOptions::load(appFile("Options.txt"));
            QCOMPARE(o.downAfter, bytes == good ? 5 : 1);
            QVERIFY(!o.notifyUp && o.upAfter == 1 && o.sleepGrace == 10);
            QCOMPARE(traces.count(s("Options.txt")), 1);
        }
    }

    // No "down" from the suspend until the grace (10 s) after the resume has passed; then the state as
    // it is, once.
    void sleepGraceAgainstFakeLogind()
    {
        busOrSkip();
        TraceRecorder traces;
        launch();
        second(true);
        for (const bool sleeping : {true, false}) {
            QDBusMessage signal = QDBusMessage::createSignal(s("/org/freedesktop/login1"),
                                                             s("org.freedesktop.login1.Manager"), s("PrepareForSleep"));
            QVERIFY(m_peer->send(signal << sleeping));
            QTRY_COMPARE(traces.count(sleeping ? s("suspending") : s("resumed")), 1);
            second(false);
            second(false);
        }
        m_clock.advance(9);
        second(false);
        QCOMPARE(logged(), s("U"));
        m_clock.advance(1.5);
        second(false);
        second(false);
        QCOMPARE(logged(), s("UD"));
    }

    // The notification carries the sentence and replaces the alert window; without a server, and once
    // the bus itself is gone, the alert window comes instead (traced once).
    void notificationsFallBackToTheAlert()
    {
        busOrSkip();
        TraceRecorder traces;
        AppDelegate& app = launch();
        app.alarmUi().notifyDown->setChecked(true);
        second(true);
        second(false);
        QTRY_COMPARE(m_server.bodies, QStringList{app.ui().txtNetFailSpk->text()});
        second(true); // the switch of "up" is off
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

QTEST_MAIN(TestAlarms)
#include "tst_alarms.moc"
