// The monitor's controller on its real interface files (offscreen), driven tick
// by tick with a fake probe, the null synthesizer (the speech queue is
// inspected, not spoken) and a clock that stands still.
#include "AppDelegate.h"
#include "AppDelegateUi.h"
#include "MonitorTestCase.h"
#include "StderrCapture.h"
#include "TestText.h"
#include "TickSchedule.h"

#include "Mac_media.h"
#include "Platform.h"
#include "Plist.h"

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

const char* const kStamp = "2026:12:5-09:05:03-";

QString entry(const QString& message)
{
    return s(kStamp) + message + QLatin1Char('\n');
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class TestAppDelegate : public MonitorTestCase
{
    Q_OBJECT

private:
    QString appDir() const { return m_home->documents() + s("/com.velbor.Carrowen"); }
    QString logPath() const { return appDir() + s("/log.txt"); }
    QStringList queue() const { return Mac_media::sharedEngineInstance()->ttsQueue(); }

    // The settings file of a first start, with changes, as the file the next load
    // finds.
    void prepareSettings(const QVariantMap& changes, const QStringList& removed = {})
    {
        const QString path = appDir() + s("/TestFile.txt");
        if (!QFile::exists(path)) {
            launch();
            m_app.reset();
        }
        QVariantMap settings = Plist::readFile(path)->toMap();
        for (auto it = changes.constBegin(); it != changes.constEnd(); ++it) {
            settings.insert(it.key(), it.value());
        }
        for (const QString& key : removed) {
            settings.remove(key);
        }
        QVERIFY(Plist::writeFile(path, settings));
    }

    void ticks(int count)
    {
        for (int i = 0; i < count; ++i) {
            m_app->gameLoop();
        }
    }
    // Runs up to and including the check tick of seconds count `seconds` (from
    // the current tick).
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

    // The primary check says nothing, so that the speech queue holds the
    // rotation's sentences only.
    void quietPrimary()
    {
        for (QCheckBox* box : {m_app->ui().checkOKSpk, m_app->ui().checkFailSpk, m_app->ui().checkFailAlert}) {
            box->setChecked(false);
        }
    }

    // Launches with a quiet primary check and the rotation on, every `interval` seconds over `list`.
    AppDelegate& launchRotation(const QString& interval, const QString& list)
    {
        AppDelegate& app = launch();
        quietPrimary();
        app.ui().checkUrlsEnabled->setChecked(true);
        app.ui().txtUrlsInterval->setText(interval);
        app.ui().txtUrlList->setPlainText(list);
        return app;
    }

    bool& internetOK() { return m_app->m_internetOK; }
    bool& successFired() { return m_app->m_successFired; }
    bool& failFired() { return m_app->m_failFired; }
    int& otherUrlPointer() { return m_app->m_otherUrlPointer; }

private slots:
    void initTestCase()
    {
        Platform::installBackends(Platform::Backends::Null);
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable()); // no tray host here: the
                                                            // app must still run
    }

    void init() { setUpMonitor(); }

    void cleanup() { tearDownMonitor(); }

    // ---- Settings file ----

    void firstDefaultsWrittenWhereTheSettingsGo()
    {
        // A documents path so long that the application directory's path cannot be
        // made while the settings files beside it still fit.
        QString docs = m_home->path();
        while (docs.size() < 4080 - 200) {
            docs += s("/") + QString(199, QLatin1Char('d'));
        }
        docs += s("/") + QString(4080 - docs.size() - 1 - int(qstrlen("/Documents")), QLatin1Char('e'));
        const QString home = docs;
        docs += s("/Documents");
        QCOMPARE(docs.size(), 4080);
        QVERIFY(QDir().mkpath(docs));
        const QByteArray savedHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(home));
        launch();
        qputenv("HOME", savedHome);
        QVERIFY(!QFile::exists(docs + s("/com.velbor.Carrowen")));
        QVERIFY(QFile::exists(docs + s("/TestFile.txt")));
        QCOMPARE(readAll(docs + s("/Defaults.txt")), readAll(docs + s("/TestFile.txt")));
    }

    void reloadKeepsSettingsButNotTheHostList()
    {
        prepareSettings({{s("gen0"), s("localhost")},
                         {s("gen1"), s("Link is fine")},
                         {s("gen7"), 1},
                         {s("gen14"), s("one\ntwo\nthree")},
                         {s("gen23"), 17}});
        const QByteArray defaults = readAll(appDir() + s("/Defaults.txt"));
        AppDelegate& app = launch();
        QCOMPARE(app.ui().txtUrl->text(), s("localhost"));
        QCOMPARE(app.ui().txtNetOkSpk->text(), s("Link is fine"));
        QVERIFY(app.ui().checkOKRepeats->isChecked());
        QCOMPARE(app.ui().intSlider->value(), 17);
        QCOMPARE(app.ui().txtUrlList->toPlainText(), AppDelegate::builtInHostList());
        app.saveSettingsToFile();
        QCOMPARE(readAll(appDir() + s("/Defaults.txt")),
                 defaults); // the directory existed: defaults untouched
    }

    void settingsEntries_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored"); // invalid: the key is missing
        QTest::addColumn<QString>("shown");   // text, checkbox state or slider value as text
        QTest::newRow("slider above range") << "gen23" << QVariant(500) << "120";
        QTest::newRow("slider missing") << "gen23" << QVariant() << "1";
        QTest::newRow("slider as text") << "gen23" << QVariant(s(" 9 secs")) << "9";
        QTest::newRow("slider as real") << "gen23" << QVariant(7.9) << "7";
        QTest::newRow("checkbox 5") << "gen7" << QVariant(5) << "1";
        QTest::newRow("checkbox missing") << "gen4" << QVariant() << "0";
        QTest::newRow("text as number") << "gen3" << QVariant(42) << "42";
        QTest::newRow("text as array stays") << "gen0" << QVariant(QVariantList{1, 2}) << "www.debian.org";
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
        QCOMPARE(app.settingsDictionary().value(key).toString(), shown);
        QCOMPARE(app.ui().txtSlider->text(), s("chk every: %1 secs").arg(app.ui().intSlider->value()));
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

    // ---- The primary check ----

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
        QVERIFY(failFired() && !successFired());
        runToSecond(60); // repeats off: nothing more
        QCOMPARE(queue().size(), 2);
    }

    void downRepeatsAtItsInterval()
    {
        AppDelegate& app = launch();
        app.ui().checkFailRepeats->setChecked(true);
        app.ui().checkFailAlert->setChecked(false);
        app.ui().intSlider->setValue(1);
        // Unreachable from the start: both flags are NO, so the first probe is no
        // change; the down state is first announced at the first multiple of its
        // interval.
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
        StderrCapture err;
        ticks(12);
        const QByteArray traces = err.take();
        QVERIFY(queue().isEmpty());
        QVERIFY(!QFile::exists(logPath()));
        QVERIFY(successFired());
        QVERIFY2(traces.contains("debugSystem, line:") && traces.contains("  okFired:1  failFired:0\n"),
                 traces.constData());
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

    // An interval that is no number, or whose integer value is 0, shows its
    // default ("60" or "10").
    void intervalFields_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("defaulted");
        QTest::newRow("letters") << s("abc") << true;
        QTest::newRow("fraction below one") << s("0.5") << true;
        QTest::newRow("trailing blank") << s("30 ") << true;
        QTest::newRow("negative") << s("-5") << false;
    }
    void intervalFields()
    {
        QFETCH(QString, typed);
        QFETCH(bool, defaulted);
        AppDelegate& app = launch();
        app.ui().txtNetOKInterval->setText(typed);
        app.ui().txtNetFailInterval->setText(typed);
        app.ui().checkUrlsEnabled->setChecked(true);
        app.ui().txtUrlsInterval->setText(typed);
        ticks(12);
        QCOMPARE(app.ui().txtNetOKInterval->text(), defaulted ? s("60") : typed);
        QCOMPARE(app.ui().txtNetFailInterval->text(), defaulted ? s("10") : typed);
        QCOMPARE(app.ui().txtUrlsInterval->text(), defaulted ? s("60") : typed);
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
        QCOMPARE(app.statusImageName(),
                 s("checkOff.png")); // the grey icon, whatever it showed before
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
        // Seconds count 0: a multiple of every period, so the probe runs and the
        // lamp shows red.
        QCOMPARE(m_probe->probed(), QStringList{s("www.debian.org")});
        QCOMPARE(app.lampImageName(), s("redLed.png"));
        ticks(1);
        QCOMPARE(app.tick(), 1);
    }

    void tickScheduleIsExact()
    {
        // Each wait is taken in whole milliseconds, as a timer takes it; the
        // deadlines stay exact.
        const qint64 ms = 1000000;
        TickSchedule schedule(12);
        qint64 now = 7000 * ms;
        int wait = schedule.start(now);
        for (int i = 0; i < 12 * 60; ++i) {
            now += wait * ms;
            wait = schedule.next(now);
        }
        QVERIFY2(qAbs(now - 67000 * ms) < ms, qPrintable(QString::number(now)));
        // A tick that comes late catches up on its deadline; one more than a period
        // late is not made up, the next waits a whole period.
        QCOMPARE(schedule.next(now + wait * ms + 50 * ms), 33);
        QCOMPARE(schedule.next(now + 1000 * ms), 84);
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
            << s("a\n\nb\n") << s("Host") << s("up")
            << QStringList{s("Host a up"), s("Host b up"), s("Host a up"), s("Host b up")};
        QTest::newRow("only empty lines") << s("\n\n") << s("Host") << s("up") << QStringList{};
        QTest::newRow("empty words keep their blanks")
            << s("h") << s("") << s("") << QStringList{s(" h "), s(" h "), s(" h "), s(" h ")};
    }
    void rotation()
    {
        QFETCH(QString, list);
        QFETCH(QString, leading);
        QFETCH(QString, success);
        QFETCH(QStringList, sentences);
        AppDelegate& app = launchRotation(s("2"), list);
        app.ui().checkUrlListSuccess->setChecked(true);
        app.ui().txtUrlListLeading->setText(leading);
        app.ui().txtUrlListSuccess->setText(success);
        for (const QString& line : app.ui().txtUrlList->toPlainText().split(QLatin1Char('\n'))) {
            m_probe->setReachable(line);
        }
        runToSecond(8);
        QCOMPARE(queue(), sentences);
        QVERIFY(!m_probe->probed().contains(QString()));
    }

    void storedHostListIsKeptAsItStands()
    {
        AppDelegate& app = launch();
        const QString list = s("a\u2028b\nc\u2029d\n");
        prepareSettings({{s("gen14"), list},
                         {s("gen16"), s("1")},
                         {s("gen18"), 1},
                         {s("gen5"), 0},
                         {s("gen11"), 0},
                         {s("gen12"), 0}});
        app.loadSettingsFromFile();
        app.saveSettingsToFile();
        QCOMPARE(Plist::readFile(appDir() + s("/TestFile.txt"))->toMap().value(s("gen14")).toString(), list);
        // Lines end at "\n" only; everything else is part of the host name.
        runToSecond(3);
        QCOMPARE(m_probe->probed(), (QStringList{s("a\u2028b"), s("c\u2029d"), s("a\u2028b")}));
    }

    void shortenedListStartsAgain()
    {
        AppDelegate& app = launchRotation(s("1"), s("a\nb\nc"));
        runToSecond(2);
        QCOMPARE(otherUrlPointer(), 2);
        app.ui().txtUrlList->setPlainText(s("a\nb"));
        runToSecond(3);
        QCOMPARE(queue().last(), s("Host a is not reachable"));
        QCOMPARE(otherUrlPointer(), 1);
    }

    void unannouncedResultsKeepThePointer()
    {
        launchRotation(s("1"), s("a\nb"));
        m_probe->setReachable(s("a")); // success not announced
        runToSecond(3);
        QVERIFY(queue().isEmpty());
        QCOMPARE(m_probe->probed().count(s("a")), 3);
        m_probe->setReachable(s("a"), false);
        runToSecond(4);
        QCOMPARE(queue(), QStringList{s("Host a is not reachable")});
        QCOMPARE(otherUrlPointer(), 1);
    }

    void oddHostNameIsProbedAsItStands()
    {
        const QString host = s("b\u00fccher.example\r");
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
