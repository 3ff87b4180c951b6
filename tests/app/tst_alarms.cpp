// Alarm thresholds, the options file and how it follows the settings files: the controller on its real
// interface files (offscreen), with a fake probe and a clock that stands still.
#include "AppDelegate.h"
#include "AppDelegateUi.h"
#include "FakeReachability.h"
#include "ManualClock.h"
#include "TestHome.h"
#include "TraceRecorder.h"

#include "Mac_media.h"
#include "Platform.h"
#include "Plist.h"

#include <QFile>
#include <QSystemTrayIcon>
#include <QTest>

#include <memory>

namespace {

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestAlarms : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<ManualClock> m_clock;
    std::unique_ptr<FakeReachability> m_probe;
    std::unique_ptr<AppDelegate> m_app;

    QString appFile(const char* name) const { return m_home->documents() + s("/com.velbor.Carrowen/") + s(name); }
    AppDelegate& launch()
    {
        m_app = std::make_unique<AppDelegate>();
        m_app->applicationDidFinishLaunching();
        return *m_app;
    }
    void runToSecond(int seconds)
    {
        while (m_app->tick() < seconds * 12) {
            m_app->gameLoop();
        }
    }
    QStringList logMessages() const
    {
        QStringList messages;
        for (const QString& line : QString::fromLatin1(readAll(appFile("log.txt"))).split(u'\n', Qt::SkipEmptyParts)) {
            messages << line.section(u'-', 2);
        }
        return messages;
    }

private slots:
    void initTestCase() { Platform::installBackends(Platform::Backends::Null); }

    void init()
    {
        m_home = std::make_unique<TestHome>();
        m_clock = std::make_unique<ManualClock>();
        m_probe = std::make_unique<FakeReachability>();
        Mac_media::sharedEngineInstance()->setTtsQueue({});
    }

    void cleanup()
    {
        m_app.reset();
        m_probe.reset();
        m_clock.reset();
        m_home.reset();
    }

    // "down" after 3 failed checks in a row, "up" after 2 good ones: single failures among successes
    // (and a single success among failures) announce nothing; the tray shows "unsure" meanwhile.
    void thresholdsAgainstFlapping()
    {
        AppDelegate& app = launch();
        app.ui().txtUrl->setText(s("h"));
        app.ui().intSlider->setValue(1);
        AppOptions o;
        o.downAfter = 3;
        o.upAfter = 2;
        o.showUnsure = true;
        app.setOptions(o);
        // Answers of seconds 1..11: up, one failure, three (down), one success, two (up).
        const char answers[] = "10100010111";
        for (int second = 1; answers[second - 1]; ++second) {
            m_probe->setReachable(s("h"), answers[second - 1] == '1');
            runToSecond(second);
            if (second == 5) { // two failures pending: the next bright flash shows "unsure"
                for (int i = 0; i < 6; ++i) {
                    app.gameLoop();
                }
                QCOMPARE(app.statusImageName(), s("checkUnsure.png"));
            }
        }
        const QString up = app.ui().txtNetOkSpk->text();
        const QString down = app.ui().txtNetFailSpk->text();
        QCOMPARE(logMessages(), QStringList({up, down, up}));
        QCOMPARE(app.lastFailureReason(), s("address unreachable"));
        runToSecond(20);
        QCOMPARE(app.statusImageName(), s("checkOk.png"));
    }

    // Options.txt: no file while every option is at its default; what the controls hold is saved when
    // a window closes and read at the next start; Reset and Reload puts the defaults back. The settings
    // files of a start before the options existed are written back byte for byte.
    void optionsFollowWindowsAndReset()
    {
        launch();
        m_app.reset();
        const QByteArray settings = readAll(appFile("TestFile.txt"));
        const QByteArray defaults = readAll(appFile("Defaults.txt"));
        AppDelegate& app = launch();
        app.windowClosed(app.windowAbout());
        QCOMPARE(readAll(appFile("TestFile.txt")), settings);
        QCOMPARE(readAll(appFile("Defaults.txt")), defaults);
        QVERIFY(!QFile::exists(appFile("Options.txt")));

        app.alarmUi().downAfter->setValue(4);
        app.alarmUi().notifyDown->setChecked(true);
        app.windowClosed(app.windowSettings());
        QCOMPARE(readAll(appFile("TestFile.txt")), settings);
        m_app.reset();
        AppDelegate& again = launch();
        QCOMPARE(again.options().downAfter, 4);
        QVERIFY(again.options().notifyDown);
        again.resetDefaults();
        QVERIFY(again.options() == AppOptions());
        QCOMPARE(AppOptions::load(appFile("Options.txt")), AppOptions());
    }

    // Garbage, truncated, wrong types and values out of range give the defaults, with one trace line;
    // good values beside bad ones are kept.
    void badOptionsFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("downAfter");
        const QByteArray good = *Plist::toXml(QVariantMap{{s("downAfterFailures"), 5}, {s("upAfterSuccesses"), 3}});
        QTest::newRow("garbage") << QByteArray("\x01\xffnot a plist at all") << 1;
        QTest::newRow("truncated") << good.left(good.size() / 2) << 1;
        QTest::newRow("array") << *Plist::toXml(QVariantList{5}) << 1;
        QTest::newRow("string") << *Plist::toXml(QVariantMap{{s("downAfterFailures"), s("5")}}) << 1;
        QTest::newRow("real") << *Plist::toXml(QVariantMap{{s("downAfterFailures"), 5.5}}) << 1;
        QTest::newRow("zero") << *Plist::toXml(QVariantMap{{s("downAfterFailures"), 0}}) << 1;
        QTest::newRow("huge") << *Plist::toXml(QVariantMap{{s("downAfterFailures"), Q_INT64_C(1) << 40}}) << 1;
        QTest::newRow("one bad") << *Plist::toXml(QVariantMap{{s("downAfterFailures"), 5}, {s("notifyUp"), 2}}) << 5;
    }
    void badOptionsFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, downAfter);
        const QString path = m_home->documents() + s("/Options.txt");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        TraceRecorder traces;
        const AppOptions o = AppOptions::load(path);
        QCOMPARE(o.downAfter, downAfter);
        QVERIFY(!o.notifyUp);
        QCOMPARE(o.upAfter, 1);
        QCOMPARE(traces.count(s("Options.txt")), 1);
    }
};

QTEST_MAIN(TestAlarms)
#include "tst_alarms.moc"
