// The monitor's controller on its real interface files (offscreen), driven tick by tick with a fake
// probe, the null synthesizer (the speech queue is inspected, not spoken) and a clock that stands still.
#include "AppDelegate.h"
#include "AppDelegateUi.h"
#include "FakeReachability.h"
#include "ManualClock.h"
#include "TestHome.h"

#include "Mac_media.h"
#include "NotificationCenter.h"
#include "Platform.h"
#include "Plist.h"
#include "Trace.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QSystemTrayIcon>
#include <QTest>

#include <memory>

namespace {

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

const char* const kStamp = "2026:12:5-09:05:03-";

QString entry(const QString& message)
{
    return s(kStamp) + message + QLatin1Char('\n');
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The settings as the interface files give them.
QVariantMap interfaceSettings()
{
    return {
        {s("gen0"), s("www.debian.org")},
        {s("gen1"), s("Internet connection is up")},
        {s("gen2"), s("The Internet connection is back.")},
        {s("gen3"), s("60")},
        {s("gen4"), 1},
        {s("gen5"), 1},
        {s("gen6"), 0},
        {s("gen7"), 0},
        {s("gen8"), s("Internet connection lost")},
        {s("gen9"), s("The Internet connection is down.")},
        {s("gen10"), s("10")},
        {s("gen11"), 1},
        {s("gen12"), 1},
        {s("gen13"), 0},
        {s("gen14"), s("www.kernel.org\nwww.debian.org")},
        {s("gen15"), s("is reachable")},
        {s("gen16"), s("60")},
        {s("gen17"), s("is not reachable")},
        {s("gen18"), 0},
        {s("gen19"), 0},
        {s("gen20"), 1},
        {s("gen21"), 0},
        {s("gen22"), 1},
        {s("gen23"), 5},
    };
}

// Compares two settings dictionaries by value (numbers may come back as another integer type).
bool sameSettings(const QVariantMap& a, const QVariantMap& b)
{
    if (a.keys() != b.keys()) {
        return false;
    }
    for (auto it = a.constBegin(); it != a.constEnd(); ++it) {
        if (it.value().toString() != b.value(it.key()).toString()) {
            qWarning() << "differs:" << it.key() << it.value() << b.value(it.key());
            return false;
        }
    }
    return true;
}

} // namespace

class TestAppDelegate : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<ManualClock> m_clock;
    std::unique_ptr<FakeReachability> m_probe;
    std::unique_ptr<AppDelegate> m_app;

    QString appDir() const { return m_home->documents() + s("/com.velbor.Carrowen"); }
    QString logPath() const { return appDir() + s("/log.txt"); }
    QStringList queue() const { return Mac_media::sharedEngineInstance()->ttsQueue(); }

    // Writes a settings file into the application directory (made when missing).
    void prepareSettings(const QVariantMap& changes, const QStringList& removed = {})
    {
        QVariantMap settings = interfaceSettings();
        for (auto it = changes.constBegin(); it != changes.constEnd(); ++it) {
            settings.insert(it.key(), it.value());
        }
        for (const QString& key : removed) {
            settings.remove(key);
        }
        QDir().mkpath(appDir());
        QVERIFY(Plist::writeFile(appDir() + s("/TestFile.txt"), settings));
    }

    AppDelegate& launch()
    {
        m_app = std::make_unique<AppDelegate>();
        m_app->applicationDidFinishLaunching();
        return *m_app;
    }

    void ticks(int count)
    {
        for (int i = 0; i < count; ++i) {
            m_app->gameLoop();
        }
    }
    // Runs up to and including the check tick of seconds count `seconds` (from the current tick).
    void runToSecond(int seconds)
    {
        while (m_app->tick() < seconds * 12) {
            m_app->gameLoop();
        }
    }
    QStringList logLines() const
    {
        return QString::fromLatin1(readAll(logPath())).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // The primary check says nothing, so that the speech queue holds the rotation's sentences only.
    void quietPrimary()
    {
        for (QCheckBox* box : {m_app->ui().checkOKSpk, m_app->ui().checkFailSpk, m_app->ui().checkFailAlert}) {
            box->setChecked(false);
        }
    }

    bool& internetOK() { return m_app->m_internetOK; }
    bool& successFired() { return m_app->m_successFired; }
    bool& failFired() { return m_app->m_failFired; }
    int& otherUrlPointer() { return m_app->m_otherUrlPointer; }

private slots:
    void initTestCase()
    {
        Platform::installBackends(Platform::Backends::Null);
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable()); // no tray host here: the app must still run
    }

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
        QDir::setCurrent(QDir::tempPath()); // leave the temporary HOME before it goes
        m_home.reset();
    }

    // ---- Settings file ----

    void firstStartWritesBothFiles()
    {
        AppDelegate& app = launch();
        const auto settings = Plist::readFile(appDir() + s("/TestFile.txt"));
        const auto defaults = Plist::readFile(appDir() + s("/Defaults.txt"));
        QVERIFY(settings && defaults);
        QCOMPARE(readAll(appDir() + s("/TestFile.txt")), readAll(appDir() + s("/Defaults.txt")));
        QVERIFY(sameSettings(settings->toMap(), interfaceSettings()));
        // Checkboxes and the slider are integers, never booleans.
        QVERIFY(readAll(appDir() + s("/TestFile.txt")).contains("<key>gen4</key>\n\t<integer>1</integer>"));
        QCOMPARE(app.ui().txtUrlList->toPlainText(), AppDelegate::builtInHostList());
        QCOMPARE(app.ui().txtUrl->text(), s("www.debian.org"));
        QCOMPARE(app.statusImageName(), s("checkOk.png"));
    }

    void reloadKeepsSettingsButNotTheHostList()
    {
        prepareSettings({{s("gen0"), s("localhost")},
                         {s("gen1"), s("Link is fine")},
                         {s("gen7"), 1},
                         {s("gen14"), s("one\ntwo\nthree")},
                         {s("gen23"), 17}});
        AppDelegate& app = launch();
        QCOMPARE(app.ui().txtUrl->text(), s("localhost"));
        QCOMPARE(app.ui().txtNetOkSpk->text(), s("Link is fine"));
        QVERIFY(app.ui().checkOKRepeats->isChecked());
        QCOMPARE(app.ui().intSlider->value(), 17);
        QCOMPARE(app.ui().txtSlider->text(), s("chk every: 17 secs"));
        QCOMPARE(app.ui().txtUrlList->toPlainText(), AppDelegate::builtInHostList());
        QVERIFY(!QFile::exists(appDir() + s("/Defaults.txt"))); // the directory existed: no first defaults
    }

    void settingsEntries_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored"); // invalid: the key is missing
        QTest::addColumn<QString>("shown");   // text, checkbox state or slider value as text
        QTest::newRow("slider above range") << "gen23" << QVariant(500) << "120";
        QTest::newRow("slider zero") << "gen23" << QVariant(0) << "1";
        QTest::newRow("slider negative") << "gen23" << QVariant(-7) << "1";
        QTest::newRow("slider huge") << "gen23" << QVariant(qint64(1) << 40) << "120";
        QTest::newRow("slider as text") << "gen23" << QVariant(s(" 9 secs")) << "9";
        QTest::newRow("slider as real") << "gen23" << QVariant(7.9) << "7";
        QTest::newRow("slider missing") << "gen23" << QVariant() << "1";
        QTest::newRow("checkbox text 1") << "gen7" << QVariant(s("1")) << "1";
        QTest::newRow("checkbox text 0") << "gen4" << QVariant(s("0")) << "0";
        QTest::newRow("checkbox text word") << "gen4" << QVariant(s("yes")) << "0";
        QTest::newRow("checkbox 5") << "gen7" << QVariant(5) << "1";
        QTest::newRow("checkbox -1") << "gen7" << QVariant(-1) << "1";
        QTest::newRow("checkbox boolean") << "gen7" << QVariant(true) << "1";
        QTest::newRow("checkbox missing") << "gen4" << QVariant() << "0";
        QTest::newRow("text missing stays") << "gen0" << QVariant() << "www.debian.org";
        QTest::newRow("text as number") << "gen3" << QVariant(42) << "42";
        QTest::newRow("text as array stays") << "gen0" << QVariant(QVariantList{1, 2}) << "www.debian.org";
        QTest::newRow("non-ASCII text") << "gen1" << QVariant(s("Verbindung steht \u2713"))
                                        << "Verbindung steht \u2713";
    }
    void settingsEntries()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        QFETCH(QString, shown);
        if (stored.isValid()) {
            prepareSettings({{key, stored}});
        } else {
            prepareSettings({}, {key});
        }
        AppDelegate& app = launch();
        QString actual;
        if (key == s("gen23")) {
            actual = QString::number(app.ui().intSlider->value());
            QCOMPARE(app.ui().txtSlider->text(), s("chk every: %1 secs").arg(actual));
        } else if (key == s("gen4")) {
            actual = QString::number(app.ui().checkingEnabled->isChecked() ? 1 : 0);
        } else if (key == s("gen7")) {
            actual = QString::number(app.ui().checkOKRepeats->isChecked() ? 1 : 0);
        } else if (key == s("gen0")) {
            actual = app.ui().txtUrl->text();
        } else if (key == s("gen1")) {
            actual = app.ui().txtNetOkSpk->text();
        } else if (key == s("gen3")) {
            actual = app.ui().txtNetOKInterval->text();
        }
        QCOMPARE(actual, shown);
    }

    void unreadableSettingsLeaveTheControls_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = *Plist::toXml(interfaceSettings());
        QByteArray binary(4096, '\0');
        for (int i = 0; i < binary.size(); ++i) {
            binary[i] = char((i * 7919) & 0xFF);
        }
        QTest::newRow("garbage") << QByteArray("this is not a property list\n");
        QTest::newRow("truncated") << good.left(good.size() / 2);
        QTest::newRow("binary") << binary;
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("array at the top") << *Plist::toXml(QVariantList{s("gen0"), 1});
        QTest::newRow("50 MB") << QByteArray(50 * 1024 * 1024, 'x');
    }
    void unreadableSettingsLeaveTheControls()
    {
        QFETCH(QByteArray, bytes);
        QDir().mkpath(appDir());
        writeBytes(appDir() + s("/TestFile.txt"), bytes);
        AppDelegate& app = launch();
        QCOMPARE(app.ui().txtUrl->text(), s("www.debian.org"));
        QCOMPARE(app.ui().intSlider->value(), 5);
        QVERIFY(app.ui().checkingEnabled->isChecked());
        QCOMPARE(readAll(appDir() + s("/TestFile.txt")).size(), bytes.size()); // loading writes nothing
        ticks(24);
        QCOMPARE(app.tick(), 24);
    }

    void plainFileNamedLikeTheApplicationDirectory()
    {
        writeBytes(m_home->documents() + s("/com.velbor.Carrowen"), "not a directory");
        AppDelegate& app = launch();
        QVERIFY(QFileInfo(m_home->documents() + s("/com.velbor.Carrowen")).isFile());
        QVERIFY(Plist::readFile(m_home->documents() + s("/TestFile.txt")).has_value());
        QVERIFY(!QFile::exists(m_home->documents() + s("/Defaults.txt")));
        // The log lives beside it; clearing must not touch the documents directory.
        app.logChange(s("first"));
        QCOMPARE(readAll(m_home->documents() + s("/log.txt")), entry(s("first")).toLatin1());
        app.clrLog();
        QCOMPARE(readAll(m_home->documents() + s("/log.txt")), entry(s("first")).toLatin1());
    }

    void missingDocumentsDirectoryIsMade()
    {
        QVERIFY(QDir(m_home->documents()).removeRecursively());
        launch();
        QVERIFY(QFile::exists(appDir() + s("/TestFile.txt")));
    }

    // ---- Windows ----

    void closingAWindowSaves()
    {
        AppDelegate& app = launch();
        const QByteArray defaults = readAll(appDir() + s("/Defaults.txt"));
        app.ui().txtUrl->setText(s("example.invalid"));

        app.showAlert();
        QVERIFY(app.windowAlert()->isVisible());
        app.alertUi().btnAlertOK->click(); // hides without closing: nothing saved
        QVERIFY(!app.windowAlert()->isVisible());
        QCOMPARE(Plist::readFile(appDir() + s("/TestFile.txt"))->toMap().value(s("gen0")).toString(),
                 s("www.debian.org"));

        app.about();
        QVERIFY(app.windowAbout()->close());
        QCOMPARE(Plist::readFile(appDir() + s("/TestFile.txt"))->toMap().value(s("gen0")).toString(),
                 s("example.invalid"));
        QCOMPARE(readAll(appDir() + s("/Defaults.txt")), defaults);
    }

    void settingsWindowBlocksShowAlertUntilClosed()
    {
        AppDelegate& app = launch();
        app.showSettings();
        QVERIFY(app.windowSettings()->isVisible());
        app.showAlert();
        QVERIFY(!app.windowAlert()->isVisible());
        app.windowSettings()->close();
        app.showAlert();
        QVERIFY(app.windowAlert()->isVisible());
    }

    void sliderUpdatesItsLabel()
    {
        AppDelegate& app = launch();
        app.ui().intSlider->setValue(7);
        QCOMPARE(app.ui().txtSlider->text(), s("chk every: 7 secs"));
    }

    // ---- The primary check ----

    void upAnnouncedAtFirstCheckThenProbedAtThePeriod()
    {
        AppDelegate& app = launch();
        m_probe->setReachable(s("www.debian.org"));
        ticks(11);
        QVERIFY(queue().isEmpty());
        ticks(1); // tick 12, seconds count 1: no probe yet (period 5), but YES differs from the initial NO
        QCOMPARE(queue(), QStringList{s("Internet connection is up")});
        QCOMPARE(logLines(), QStringList{entry(s("Internet connection is up")).trimmed()});
        QCOMPARE(app.latest(), QStringList{entry(s("Internet connection is up"))});
        QCOMPARE(app.ui().latestView->toPlainText(), entry(s("Internet connection is up")));
        QVERIFY(m_probe->probed().isEmpty());
        runToSecond(15);
        QCOMPARE(m_probe->probed(), (QStringList{s("www.debian.org"), s("www.debian.org"), s("www.debian.org")}));
        QCOMPARE(queue().size(), 1); // no repeats
        QVERIFY(successFired() && !failFired());
        QVERIFY(!app.windowAlert()->isVisible()); // the up alert is off
    }

    void downThenUpAgain()
    {
        AppDelegate& app = launch();
        m_probe->setReachable(s("www.debian.org"));
        runToSecond(5);
        m_probe->setReachable(s("www.debian.org"), false);
        runToSecond(9);
        QCOMPARE(queue().size(), 1);
        runToSecond(10);
        QCOMPARE(queue().last(), s("Internet connection lost"));
        QVERIFY(app.windowAlert()->isVisible());
        QCOMPARE(app.alertUi().txtAlert->text(), s("The Internet connection is down."));
        QCOMPARE(logLines().last(), entry(s("Internet connection lost")).trimmed());
        QCOMPARE(app.latest().first(), entry(s("Internet connection lost")));
        QVERIFY(failFired() && !successFired());
        runToSecond(60); // repeats off: nothing more
        QCOMPARE(queue().size(), 2);
        m_probe->setReachable(s("www.debian.org"));
        runToSecond(65);
        QCOMPARE(queue().last(), s("Internet connection is up"));
        QCOMPARE(logLines().size(), 3);
    }

    void downRepeatsAtItsInterval()
    {
        AppDelegate& app = launch();
        app.ui().checkFailRepeats->setChecked(true);
        app.ui().checkFailAlert->setChecked(false);
        app.ui().intSlider->setValue(1);
        // Unreachable from the start: both flags are NO, so the first probe is no change; the down
        // state is first announced at the first multiple of its interval.
        runToSecond(9);
        QVERIFY(queue().isEmpty());
        runToSecond(10);
        QCOMPARE(queue(), QStringList{s("Internet connection lost")});
        runToSecond(35);
        QCOMPARE(queue().size(), 3); // 10, 20, 30
    }

    void allSwitchesOffStillTrace()
    {
        AppDelegate& app = launch();
        for (QCheckBox* box : {app.ui().checkOKSpk, app.ui().checkOKAlert, app.ui().logEnabled, app.ui().showLatest}) {
            box->setChecked(false);
        }
        QStringList traces;
        setTraceForwarding(true);
        const auto token = NotificationCenter::defaultCenter().addObserver(
            s("Debug"), [&traces](const Notification& n) { traces << n.object.toString(); });
        ticks(12);
        NotificationCenter::defaultCenter().removeObserver(token);
        setTraceForwarding(false);
        QVERIFY(queue().isEmpty());
        QVERIFY(!QFile::exists(logPath()));
        QVERIFY(successFired());
        QCOMPARE(traces.size(), 1);
        QVERIFY2(traces.first().startsWith(s("AppDelegateChecks.cpp, debugSystem, line:")), qPrintable(traces.first()));
        QVERIFY2(traces.first().endsWith(s("  internetOK:1  tick:12  otherUrlPointer:0  okFired:1  failFired:0\n")),
                 qPrintable(traces.first()));
    }

    void emptyAndForeignSentences()
    {
        AppDelegate& app = launch();
        app.ui().txtNetOkSpk->setText(QString());
        app.ui().checkOKAlert->setChecked(true);
        app.ui().txtNetOkAlert->setText(QString());
        ticks(12);
        QVERIFY(queue().isEmpty()); // nothing to speak
        QCOMPARE(logLines(), QStringList{s(kStamp)});
        QVERIFY(app.windowAlert()->isVisible());
        QCOMPARE(app.alertUi().txtAlert->text(), QString());

        // A sentence outside ASCII: spoken and listed, but the log stays as it was.
        const QByteArray before = readAll(logPath());
        app.logChange(s("Verbindung wieder da \u2713"));
        app.latestChange(s("Verbindung wieder da \u2713"));
        QCOMPARE(readAll(logPath()), before);
        QCOMPARE(app.latest().first(), entry(s("Verbindung wieder da \u2713")));
    }

    void intervalFields_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("upShown");
        QTest::addColumn<QString>("downShown");
        QTest::newRow("letters") << "abc"
                                 << "60"
                                 << "10";
        QTest::newRow("empty") << ""
                               << "60"
                               << "10";
        QTest::newRow("leading blank") << " 30"
                                       << " 30"
                                       << " 30";
        QTest::newRow("trailing blank") << "30 "
                                        << "60"
                                        << "10";
        QTest::newRow("zero") << "0"
                              << "60"
                              << "10";
        QTest::newRow("fraction below one") << "0.5"
                                            << "60"
                                            << "10";
        QTest::newRow("negative zero point nine") << "-0.9"
                                                  << "60"
                                                  << "10";
        QTest::newRow("negative") << "-5"
                                  << "-5"
                                  << "-5";
        QTest::newRow("exponent overflow") << "1e309"
                                           << "1e309"
                                           << "1e309";
        QTest::newRow("10000 digits") << QString(10000, QLatin1Char('9')) << QString(10000, QLatin1Char('9'))
                                      << QString(10000, QLatin1Char('9'));
        QTest::newRow("most negative") << "-99999999999"
                                       << "-99999999999"
                                       << "-99999999999";
    }
    void intervalFields()
    {
        QFETCH(QString, typed);
        QFETCH(QString, upShown);
        QFETCH(QString, downShown);
        AppDelegate& app = launch();
        app.ui().txtNetOKInterval->setText(typed);
        app.ui().txtNetFailInterval->setText(typed);
        app.ui().checkUrlsEnabled->setChecked(true);
        app.ui().txtUrlsInterval->setText(typed);
        ticks(12);
        QCOMPARE(app.ui().txtNetOKInterval->text(), upShown);
        QCOMPARE(app.ui().txtNetFailInterval->text(), downShown);
        QCOMPARE(app.ui().txtUrlsInterval->text(), upShown);
    }

    void negativeIntervalActsAsItsMagnitude()
    {
        AppDelegate& app = launch();
        app.ui().checkOKRepeats->setChecked(true);
        app.ui().txtNetOKInterval->setText(s("-5"));
        app.ui().intSlider->setValue(1);
        m_probe->setReachable(s("www.debian.org"));
        runToSecond(12);
        QCOMPARE(queue().size(), 3); // the change at 1, then 5 and 10
    }

    void rotationIntervalWordKeptWhileOff()
    {
        AppDelegate& app = launch();
        app.ui().txtUrlsInterval->setText(s("soon"));
        ticks(24);
        QCOMPARE(app.ui().txtUrlsInterval->text(), s("soon"));
    }

    // ---- Tick, icon and lamp ----

    void monitoringOffFreezesEverything()
    {
        AppDelegate& app = launch();
        ticks(30);
        const QString lamp = app.lampImageName();
        app.ui().checkingEnabled->setChecked(false);
        m_probe->clearProbed();
        ticks(500);
        QCOMPARE(app.tick(), 30);
        QCOMPARE(app.statusImageName(), s("checkOff.png")); // the grey icon, whatever it showed before
        QCOMPARE(app.lampImageName(), lamp);
        QVERIFY(m_probe->probed().isEmpty());
        app.ui().checkingEnabled->setChecked(true);
        ticks(1);
        QCOMPARE(app.tick(), 31);
    }

    void stateChangeWhileMonitoringOffIsAnnouncedAfter()
    {
        AppDelegate& app = launch();
        m_probe->setReachable(s("www.debian.org"));
        runToSecond(5);
        app.ui().checkingEnabled->setChecked(false);
        m_probe->setReachable(s("www.debian.org"), false);
        ticks(1000);
        QCOMPARE(queue().size(), 1);
        app.ui().checkingEnabled->setChecked(true);
        runToSecond(10);
        QCOMPARE(queue().last(), s("Internet connection lost"));
    }

    void wrapAt32000()
    {
        AppDelegate& app = launch();
        app.ui().intSlider->setValue(7);
        app.setTick(31999);
        ticks(1);
        QCOMPARE(app.tick(), 32000);
        m_probe->clearProbed();
        ticks(1);
        QCOMPARE(app.tick(), 0);
        // Seconds count 0: a multiple of every period, so the probe runs and the lamp shows red.
        QCOMPARE(m_probe->probed(), QStringList{s("www.debian.org")});
        QCOMPARE(app.lampImageName(), s("redLed.png"));
        ticks(1);
        QCOMPARE(app.tick(), 1);
    }

    void lampPeriod()
    {
        AppDelegate& app = launch();
        app.ui().intSlider->setValue(3);
        m_probe->setReachable(s("www.debian.org"));
        QList<int> coloured;
        for (int i = 0; i < 120; ++i) {
            ticks(1);
            if (app.lampImageName() != s("blackLed.png")) {
                QCOMPARE(app.lampImageName(), s("greenLed.png"));
                coloured << app.tick();
            }
        }
        QCOMPARE(coloured, (QList<int>{36, 72, 108}));
    }

    void iconFlashing_data()
    {
        QTest::addColumn<bool>("reachable");
        QTest::addColumn<bool>("okFlashes");
        QTest::addColumn<bool>("failFlashes");
        QTest::addColumn<QStringList>("images"); // at ticks 66, 72, 78, 84
        const QString ok = s("checkOk.png"), fail = s("checkFail.png"), dark = s("checkBlack.png");
        QTest::newRow("up, flashing") << true << true << false << QStringList{ok, dark, ok, dark};
        QTest::newRow("up, steady") << true << false << true << QStringList{ok, ok, ok, ok};
        QTest::newRow("down, flashing") << false << false << true << QStringList{fail, dark, fail, dark};
        QTest::newRow("down, steady") << false << true << false << QStringList{fail, fail, fail, fail};
    }
    void iconFlashing()
    {
        QFETCH(bool, reachable);
        QFETCH(bool, okFlashes);
        QFETCH(bool, failFlashes);
        QFETCH(QStringList, images);
        AppDelegate& app = launch();
        app.ui().intSlider->setValue(1);
        app.ui().okIconFlashes->setChecked(okFlashes);
        app.ui().failIconFlashes->setChecked(failFlashes);
        m_probe->setReachable(s("www.debian.org"), reachable);
        ticks(60);
        QStringList seen;
        for (int i = 0; i < 4; ++i) {
            ticks(6);
            seen << app.statusImageName();
        }
        QCOMPARE(seen, images);
    }

    // ---- The host-list rotation ----

    void rotationWalksTheBuiltInList()
    {
        AppDelegate& app = launch();
        quietPrimary();
        app.ui().checkUrlsEnabled->setChecked(true);
        app.ui().checkUrlListSuccess->setChecked(true);
        m_probe->setReachable(s("www.kernel.org"));
        runToSecond(59);
        QVERIFY(queue().isEmpty());
        runToSecond(180);
        QCOMPARE(queue(), (QStringList{s("Host www.kernel.org is reachable"), s("Host www.debian.org is not reachable"),
                                       s("Host www.kernel.org is reachable")}));
        QCOMPARE(logLines().last(), entry(s("Host www.kernel.org is reachable")).trimmed());
    }

    void rotation_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("leading");
        QTest::addColumn<QString>("success");
        QTest::addColumn<QStringList>("sentences"); // of four due runs, all hosts reachable
        QTest::newRow("empty lines skipped")
            << "a\n\nb\n"
            << "Host"
            << "up" << QStringList{s("Host a up"), s("Host b up"), s("Host a up"), s("Host b up")};
        QTest::newRow("only empty lines") << "\n\n"
                                          << "Host"
                                          << "up" << QStringList{};
        QTest::newRow("empty words keep their blanks") << "h"
                                                       << ""
                                                       << "" << QStringList{s(" h "), s(" h "), s(" h "), s(" h ")};
        // The text view takes a carriage return as a line break of its own.
        QTest::newRow("carriage return") << "a\r\nb"
                                         << "H"
                                         << "ok" << QStringList{s("H a ok"), s("H b ok"), s("H a ok"), s("H b ok")};
    }
    void rotation()
    {
        QFETCH(QString, list);
        QFETCH(QString, leading);
        QFETCH(QString, success);
        QFETCH(QStringList, sentences);
        AppDelegate& app = launch();
        quietPrimary();
        app.ui().checkUrlsEnabled->setChecked(true);
        app.ui().checkUrlListSuccess->setChecked(true);
        app.ui().txtUrlsInterval->setText(s("2"));
        app.ui().txtUrlList->setPlainText(list);
        app.ui().txtUrlListLeading->setText(leading);
        app.ui().txtUrlListSuccess->setText(success);
        for (const QString& line : app.ui().txtUrlList->toPlainText().split(QLatin1Char('\n'))) {
            m_probe->setReachable(line);
        }
        runToSecond(8);
        QCOMPARE(queue(), sentences);
        QVERIFY(!m_probe->probed().contains(QString()));
    }

    void shortenedListStartsAgain()
    {
        AppDelegate& app = launch();
        quietPrimary();
        app.ui().checkUrlsEnabled->setChecked(true);
        app.ui().txtUrlsInterval->setText(s("1"));
        app.ui().txtUrlList->setPlainText(s("a\nb\nc"));
        runToSecond(2);
        QCOMPARE(otherUrlPointer(), 2);
        app.ui().txtUrlList->setPlainText(s("a\nb"));
        runToSecond(3);
        QCOMPARE(queue().last(), s("Host a is not reachable"));
        QCOMPARE(otherUrlPointer(), 1);
    }

    void unannouncedResultsKeepThePointer()
    {
        AppDelegate& app = launch();
        quietPrimary();
        app.ui().checkUrlsEnabled->setChecked(true);
        app.ui().txtUrlsInterval->setText(s("1"));
        app.ui().txtUrlList->setPlainText(s("a\nb"));
        m_probe->setReachable(s("a")); // success not announced
        runToSecond(3);
        QVERIFY(queue().isEmpty());
        QCOMPARE(m_probe->probed().count(s("a")), 3);
        m_probe->setReachable(s("a"), false);
        runToSecond(4);
        QCOMPARE(queue(), QStringList{s("Host a is not reachable")});
        QCOMPARE(otherUrlPointer(), 1);
    }

    void oddHostNamesAreProbedAsTheyStand_data()
    {
        QTest::addColumn<QString>("host");
        QTest::newRow("empty") << QString();
        QTest::newRow("non-ASCII") << s("b\u00fccher.example");
        QTest::newRow("10000 characters") << QString(10000, QLatin1Char('a'));
        QTest::newRow("carriage return") << s("localhost\r");
    }
    void oddHostNamesAreProbedAsTheyStand()
    {
        QFETCH(QString, host);
        AppDelegate& app = launch();
        app.ui().txtUrl->setText(host);
        app.ui().intSlider->setValue(1);
        app.ui().txtNetFailInterval->setText(s("1"));
        runToSecond(2);
        QCOMPARE(m_probe->probed(), (QStringList{host, host}));
        QCOMPARE(queue(), QStringList{s("Internet connection lost")}); // announced once, at 1
    }

    // ---- Log and latest list ----

    void latestListKeepsSixteen()
    {
        AppDelegate& app = launch();
        for (int i = 1; i <= 17; ++i) {
            app.latestChange(s("m%1").arg(i));
        }
        QCOMPARE(app.latest().size(), 16);
        QCOMPARE(app.latest().first(), entry(s("m17")));
        QCOMPARE(app.latest().last(), entry(s("m2")));
        QVERIFY(app.ui().latestView->toPlainText().startsWith(entry(s("m17"))));
    }

    void logAppendsAndClears()
    {
        AppDelegate& app = launch();
        app.logChange(s("one"));
        app.logChange(QString());
        app.logChange(s("two"));
        QCOMPARE(readAll(logPath()), (entry(s("one")) + entry(QString()) + entry(s("two"))).toLatin1());
        app.clrLog();
        QCOMPARE(readAll(logPath()), entry(s("Log Cleared")).toLatin1());
        QFile::remove(logPath());
        app.clrLog(); // no log yet: the cleared line all the same
        QCOMPARE(readAll(logPath()), entry(s("Log Cleared")).toLatin1());
    }
};

QTEST_MAIN(TestAppDelegate)
#include "tst_appdelegate.moc"
