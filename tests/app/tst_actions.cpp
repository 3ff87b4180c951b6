// The monitor's window and control actions, pressed as a user would
// (offscreen): the checkboxes with their fields and spoken previews, the
// website buttons, the tray menu, window placement, and the defaults commands
// of the settings window with the files they write.
#include "AppDelegate.h"
#include "AppDelegateUi.h"
#include "FakeWorkspace.h"
#include "MonitorTestCase.h"
#include "StderrCapture.h"
#include "TestText.h"

#include "Mac_media.h"
#include "Platform.h"
#include "Plist.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

QString settingOf(const QString& path, const char* key)
{
    const auto settings = Plist::readFile(path);
    return settings ? settings->toMap().value(s(key)).toString() : s("<no file>");
}

} // namespace

class TestActions : public MonitorTestCase
{
    Q_OBJECT

private:
    std::shared_ptr<FakeWorkspace> m_workspace;

    QString appDir() const { return m_home->documents() + s("/com.velbor.Carrowen"); }
    QString settingsPath() const { return appDir() + s("/TestFile.txt"); }
    QString defaultsPath() const { return appDir() + s("/Defaults.txt"); }
    QStringList queue() const { return Mac_media::sharedEngineInstance()->ttsQueue(); }

    template <typename T> T* control(const QString& name) const
    {
        for (QWidget* window : {m_app->windowSettings(), m_app->windowAbout(), m_app->windowAlert()}) {
            if (auto* found = window->findChild<T*>(name)) {
                return found;
            }
        }
        return nullptr;
    }

    QAction* menuItem(const QString& title) const
    {
        for (QAction* action : m_app->MenuMain()->actions()) {
            if (action->text() == title) {
                return action;
            }
        }
        return nullptr;
    }

    // Writes a settings dictionary to a file of the application directory: the
    // current file with changes.
    void rewrite(const QString& path, const QVariantMap& changes)
    {
        QVariantMap settings = Plist::readFile(settingsPath())->toMap();
        for (auto it = changes.constBegin(); it != changes.constEnd(); ++it) {
            settings.insert(it.key(), it.value());
        }
        QVERIFY(Plist::writeFile(path, settings));
    }

private slots:
    void initTestCase() { Platform::installBackends(Platform::Backends::Null); }

    void init()
    {
        setUpMonitor();
        m_workspace = std::make_shared<FakeWorkspace>();
        Platform::setWorkspace(m_workspace);
    }

    void cleanup()
    {
        m_app.reset();
        Platform::installBackends(Platform::Backends::Null);
        m_workspace.reset();
        tearDownMonitor();
    }

    // ---- Checkboxes ----

    void checkboxEnablesItsField_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("speaks");
        QTest::newRow("monitoring") << s("checkingEnabled") << s("txtUrl") << false;
        QTest::newRow("up sentence") << s("checkOKSpk") << s("txtNetOkSpk") << true;
        QTest::newRow("down alert") << s("checkFailAlert") << s("txtNetFailAlert") << false;
        QTest::newRow("rotation success") << s("checkUrlListSuccess") << s("txtUrlListSuccess") << true;
    }

    void checkboxEnablesItsField()
    {
        QFETCH(QString, box);
        QFETCH(QString, field);
        QFETCH(bool, speaks);
        launch();
        auto* checkbox = control<QCheckBox>(box);
        auto* text = control<QLineEdit>(field);
        QVERIFY(checkbox && text);
        text->setText(s("preview words"));
        const QByteArray settingsBefore = readAll(settingsPath());

        if (!checkbox->isChecked()) {
            checkbox->click(); // start from "on"
        }
        Mac_media::sharedEngineInstance()->setTtsQueue({});
        checkbox->click();
        QVERIFY(!checkbox->isChecked());
        QVERIFY(!text->isEnabled());
        QVERIFY(queue().isEmpty()); // switching off says nothing

        checkbox->click();
        QVERIFY(checkbox->isChecked());
        QVERIFY(text->isEnabled());
        QCOMPARE(queue(), speaks ? QStringList{s("preview words")} : QStringList{});
        QCOMPARE(readAll(settingsPath()),
                 settingsBefore); // the actions save nothing
    }

    void emptySentenceIsStillQueued()
    {
        AppDelegate& app = launch();
        app.ui().txtNetOkSpk->clear();
        app.ui().checkOKSpk->setChecked(false);
        app.ui().checkOKSpk->click();
        QCOMPARE(queue(), QStringList{QString()});
    }

    void loadingSettingsNeitherSpeaksNorEnables()
    {
        launch();
        m_app.reset();
        rewrite(settingsPath(), {{s("gen5"), 0}, {s("gen19"), 1}, {s("gen15"), s("loaded")}});
        AppDelegate& app = launch();
        QVERIFY(app.ui().checkUrlListSuccess->isChecked());
        QVERIFY(!app.ui().checkOKSpk->isChecked());
        QVERIFY(app.ui().txtNetOkSpk->isEnabled()); // enabled states are not
                                                    // restored by a load
        QVERIFY(queue().isEmpty());
    }

    // ---- Website buttons and link styling ----

    void websiteButtons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("url");
        QTest::newRow("settings help") << "settingsLink" << AppDelegate::productPageUrl();
        QTest::newRow("about visit") << "about_visit_website_btn" << AppDelegate::productPageUrl();
        QTest::newRow("about main") << "aboutMainLink" << AppDelegate::homePageUrl();
    }

    void websiteButtons()
    {
        QFETCH(QString, button);
        QFETCH(QString, url);
        launch();
        auto* pushButton = control<QPushButton>(button);
        QVERIFY(pushButton);
        pushButton->click();
        QCOMPARE(m_workspace->opened(), QStringList{url});
        m_workspace->setCanOpen(false); // no browser: ignored, nothing else happens
        pushButton->click();
        QCOMPARE(m_workspace->opened(), (QStringList{url, url}));
    }

    void linkButtonsAreBlue()
    {
        AppDelegate& app = launch();
        for (QPushButton* link :
             {app.ui().settingsLink, app.aboutUi().aboutLink, app.ui().settingsMainLink, app.aboutUi().aboutMainLink}) {
            QCOMPARE(link->palette().color(QPalette::ButtonText), QColor(Qt::blue));
        }
    }

    // ---- Windows and the tray menu ----

    void menuShowsWindowsCentredAndAbove()
    {
        AppDelegate& app = launch();
        QAction* settings = menuItem(QStringLiteral("Settings\u2026"));
        QAction* showAlert = menuItem(s("Show Alert"));
        QAction* about = menuItem(s("About"));
        QVERIFY(settings && showAlert && about);

        about->trigger();
        QWidget* window = app.windowAbout();
        QVERIFY(window->isVisible());
        QVERIFY(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        const QRect screen = window->screen()->availableGeometry();
        // Centred within the frame margins and the rounding of the placement.
        const auto centred = [&screen](const QWidget* w) {
            const QPoint offset = w->frameGeometry().center() - screen.center();
            return qAbs(offset.x()) <= 4 && qAbs(offset.y()) <= 4;
        };
        QVERIFY(centred(window));

        showAlert->trigger();
        QVERIFY(app.windowAlert()->isVisible());
        settings->trigger();
        QVERIFY(app.windowSettings()->isVisible());
    }

    void quitWritesMenuQuitAndSavesNothing()
    {
        AppDelegate& app = launch();
        app.showSettings();
        app.ui().txtUrl->setText(s("changed.invalid")); // an unsaved edit in an open window
        const QByteArray before = readAll(settingsPath());
        StderrCapture err;
        // Quit from the menu under a running event loop, as a user does; the second
        // timer only stops a loop that the quit failed to end.
        QTimer::singleShot(0, menuItem(s("Quit")), &QAction::trigger);
        QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(1); });
        QCOMPARE(QApplication::exec(), 0);
        const QByteArray out = err.take();
        QVERIFY2(out.contains("Menu_Quit"), out.constData());
        QCOMPARE(readAll(settingsPath()), before);
    }

    // ---- Defaults and reset ----

    void setAsDefaultStoresTheLastSavedFile()
    {
        AppDelegate& app = launch();
        rewrite(settingsPath(), {{s("gen0"), s("saved.invalid")}});
        app.ui().txtUrl->setText(s("unsaved.invalid")); // changed, no window closed
        control<QPushButton>(s("setAsDefault"))->click();
        QCOMPARE(readAll(defaultsPath()), readAll(settingsPath()));
        QCOMPARE(settingOf(defaultsPath(), "gen0"), s("saved.invalid"));
    }

    void resetToDefaultLeavesTheControls()
    {
        AppDelegate& app = launch();
        rewrite(defaultsPath(), {{s("gen0"), s("defaults.invalid")}});
        app.ui().txtUrl->setText(s("controls.invalid"));
        control<QPushButton>(s("resetToDefault"))->click();
        QCOMPARE(readAll(settingsPath()), readAll(defaultsPath()));
        QCOMPARE(app.ui().txtUrl->text(), s("controls.invalid"));

        // Closing a window writes the controls over the restored file again.
        app.showSettings();
        app.windowSettings()->close();
        QCOMPARE(settingOf(settingsPath(), "gen0"), s("controls.invalid"));
        QCOMPARE(settingOf(defaultsPath(), "gen0"), s("defaults.invalid"));
    }

    void resetToDefaultThenRestartLoadsTheDefaults()
    {
        launch();
        rewrite(defaultsPath(), {{s("gen1"), s("default sentence")}});
        m_app->resetToDefault();
        m_app.reset(); // quitting saves nothing
        AppDelegate& app = launch();
        QCOMPARE(app.ui().txtNetOkSpk->text(), s("default sentence"));
    }

    void resetAndReloadShowsTheDefaults()
    {
        AppDelegate& app = launch();
        // Line and paragraph separators are part of the stored list and come back
        // unchanged.
        const QString list = s("alpha\u2028beta\u2029gamma\ndelta\n");
        rewrite(defaultsPath(),
                {{s("gen0"), s("defaults.invalid")}, {s("gen14"), list}, {s("gen23"), 9}, {s("gen5"), 0}});
        control<QPushButton>(s("resetDefaults"))->click();
        QCOMPARE(app.ui().txtUrl->text(), s("defaults.invalid"));
        QCOMPARE(app.hostList(), list);
        QCOMPARE(app.ui().txtSlider->text(), s("chk every: 9 secs"));
        QVERIFY(!app.ui().checkOKSpk->isChecked());
        QVERIFY(queue().isEmpty());
        QCOMPARE(readAll(settingsPath()), readAll(defaultsPath()));
        app.saveSettingsToFile();
        QCOMPARE(settingOf(settingsPath(), "gen14"), list);
    }

    // A missing source never costs the target its file.
    void missingSourceKeepsTheTarget_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("missing");
        QTest::addColumn<QString>("kept");
        QTest::newRow("set as default") << s("setAsDefault") << s("TestFile.txt") << s("Defaults.txt");
        QTest::newRow("reset to default") << s("resetToDefault") << s("Defaults.txt") << s("TestFile.txt");
        QTest::newRow("reset and reload") << s("resetDefaults") << s("Defaults.txt") << s("TestFile.txt");
    }

    void missingSourceKeepsTheTarget()
    {
        QFETCH(QString, button);
        QFETCH(QString, missing);
        QFETCH(QString, kept);
        AppDelegate& app = launch();
        const QString keptPath = appDir() + QLatin1Char('/') + kept;
        rewrite(keptPath, {{s("gen0"), s("kept.invalid")}});
        QVERIFY(QFile::remove(appDir() + QLatin1Char('/') + missing));
        app.ui().txtUrl->setText(s("controls.invalid"));

        control<QPushButton>(button)->click();
        QVERIFY(!QFile::exists(appDir() + QLatin1Char('/') + missing));
        QCOMPARE(QDir(appDir()).entryList(QDir::Files | QDir::Hidden).size(), 1);
        // The controls stay as they are; Reset and Reload saves them, so that no
        // unsaved edit is lost.
        QCOMPARE(app.ui().txtUrl->text(), s("controls.invalid"));
        QCOMPARE(settingOf(keptPath, "gen0"), button == s("resetDefaults") ? s("controls.invalid") : s("kept.invalid"));
    }

    // When the application directory cannot be entered nothing in the documents
    // directory changes.
    void unreachableApplicationDirectoryChangesNothing_data() { missingSourceKeepsTheTarget_data(); }

    void unreachableApplicationDirectoryChangesNothing()
    {
        QFETCH(QString, button);
        QDir(m_home->documents()).mkpath(s("."));
        QFile plain(appDir()); // a plain file where the application directory belongs
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        AppDelegate& app = launch(); // the settings then live in the documents directory itself
        const QString docs = m_home->documents();
        QVERIFY(Plist::writeFile(docs + s("/Defaults.txt"), QVariantMap{{s("gen0"), s("other.invalid")}}));
        const QByteArray settings = readAll(docs + s("/TestFile.txt"));
        const QByteArray defaults = readAll(docs + s("/Defaults.txt"));
        QVERIFY(!settings.isEmpty());
        const QString url = app.ui().txtUrl->text();

        control<QPushButton>(button)->click();
        QCOMPARE(readAll(docs + s("/TestFile.txt")), settings);
        QCOMPARE(readAll(docs + s("/Defaults.txt")), defaults);
        QCOMPARE(app.ui().txtUrl->text(), url);
    }

    void testCommandSavesNothingAndTracesTheOutput()
    {
        AppDelegate& app = launch();
        app.ui().txtUrl->setText(s("changed.invalid"));
        const QByteArray settings = readAll(settingsPath());
        const QByteArray defaults = readAll(defaultsPath());
        auto* button = control<QPushButton>(s("saveSettings"));
        QVERIFY(button);
        QVERIFY(!button->text().contains(s("Save")));
        StderrCapture err;
        button->click();
        const QByteArray out = err.take();
        QVERIFY2(out.contains("  OUTPUT: "), out.constData());
        QCOMPARE(readAll(settingsPath()), settings);
        QCOMPARE(readAll(defaultsPath()), defaults);
    }
};

QTEST_MAIN(TestActions)
#include "tst_actions.moc"
