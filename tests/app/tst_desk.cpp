// The monitor with a slow resolver and the details a person meets (offscreen): checks that finish when
// the probe answers, controls that show their focus, Escape, the tray's tool tip, and what is shown
// when xdg-open fails.
#include "AppDelegate.h"
#include "AppDelegateUi.h"
#include "FakeReachability.h"
#include "ManualClock.h"
#include "TestHome.h"

#include "Platform.h"
#include "Plist.h"
#include "linux/XdgWorkspace.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

} // namespace

class TestDesk : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<ManualClock> m_clock;
    std::unique_ptr<FakeReachability> m_probe;
    std::unique_ptr<AppDelegate> m_app;

    AppDelegate& app() { return *m_app; }
    void runToSecond(int seconds)
    {
        while (m_app->tick() < seconds * 12) {
            m_app->gameLoop();
        }
    }
    QString appDir() const { return m_home->documents() + s("/com.velbor.Carrowen"); }

private slots:
    void initTestCase() { Platform::installBackends(Platform::Backends::Null); }

    void init()
    {
        m_home = std::make_unique<TestHome>();
        m_clock = std::make_unique<ManualClock>();
        m_probe = std::make_unique<FakeReachability>();
        m_app = std::make_unique<AppDelegate>();
        m_app->applicationDidFinishLaunching();
        app().ui().intSlider->setValue(1);
    }

    void cleanup()
    {
        m_app.reset();
        Platform::installBackends(Platform::Backends::Null);
        m_probe.reset();
        m_clock.reset();
        QDir::setCurrent(QDir::tempPath());
        m_home.reset();
    }

    // A resolver that takes seconds: the primary host and a list host are each probed once until their
    // answers arrive, the ticks go on meanwhile, and each check finishes when its answer comes.
    void checksFinishWhenTheAnswerArrives()
    {
        app().ui().txtUrlList->setPlainText(s("a.example\nb.example"));
        app().ui().txtUrlsInterval->setText(s("1"));
        app().ui().checkUrlsEnabled->setChecked(true);
        m_probe->setReachable(s("www.debian.org"));
        m_probe->holdAnswers(true);
        runToSecond(4); // the up state of the start is announced at the run after the pending probe
        QCOMPARE(app().latest().size(), 1);
        QCOMPARE(m_probe->held(), (QStringList{s("www.debian.org"), s("a.example")}));
        QCOMPARE(m_probe->probed().size(), 2);
        QCOMPARE(app().statusBar()->toolTip(), s("Carrowen: not checked yet"));

        m_probe->setReachable(s("www.debian.org"), false);
        m_probe->answerHeld();
        QCOMPARE(app().latest().size(), 3); // down, then "Host a.example is not reachable"
        QVERIFY(app().latest().at(1).endsWith(s("-Internet connection lost\n")));
        QVERIFY(app().latest().at(0).endsWith(s("-Host a.example is not reachable\n")));
        QVERIFY(app().statusBar()->toolTip().startsWith(s("Carrowen: the Internet is not reachable since 09:05:03")));

        runToSecond(5); // the rotation has moved on; the primary host is asked again
        QCOMPARE(m_probe->held(), (QStringList{s("www.debian.org"), s("b.example")}));
        m_probe->holdAnswers(false);
        m_probe->answerHeld();

        app().ui().checkingEnabled->setChecked(false);
        app().gameLoop();
        QCOMPARE(app().statusImageName(), s("checkOff.png"));
        QCOMPARE(app().statusBar()->toolTip(), s("Carrowen: monitoring is off"));
    }

    // Every control that takes the keyboard focus looks different while it has it (reached by Tab, as
    // the styles draw focus frames only after keyboard navigation).
    void focusIsVisibleOnEveryControl()
    {
        QStringList invisible;
        for (QWidget* window : {app().windowSettings(), app().windowAlert(), app().windowAbout()}) {
            app().showWindow(window);
            QVERIFY(QTest::qWaitForWindowActive(window));
            QTest::keyClick(window, Qt::Key_Tab);
            for (QWidget* control : window->findChildren<QWidget*>()) {
                if (!control->isVisible() || !(control->focusPolicy() & Qt::TabFocus) || !control->isEnabled()) {
                    continue;
                }
                window->setFocus();
                const QImage without = control->grab().toImage();
                control->setFocus(Qt::TabFocusReason);
                QTRY_VERIFY(control->hasFocus());
                if (control->grab().toImage() == without) {
                    invisible << control->objectName();
                }
            }
            window->hide();
        }
        QVERIFY2(invisible.isEmpty(), qPrintable(invisible.join(u' ')));
    }

    // The controls beside the slider's label stay put while its text grows; Escape closes the settings
    // window as its close button does, and so saves.
    void sliderLabelAndEscape()
    {
        app().showSettings();
        QVERIFY(QTest::qWaitForWindowExposed(app().windowSettings()));
        const QRect field = app().ui().txtUrl->geometry();
        const QRect slider = app().ui().intSlider->geometry();
        app().ui().intSlider->setValue(120);
        QApplication::processEvents();
        QCOMPARE(app().ui().txtUrl->geometry(), field);
        QCOMPARE(app().ui().intSlider->geometry(), slider);

        app().ui().txtUrl->setText(s("escape.example"));
        QTest::keyClick(app().ui().txtUrl, Qt::Key_Escape);
        QTRY_VERIFY(!app().windowSettings()->isVisible());
        const auto saved = Plist::readFile(appDir() + s("/TestFile.txt"));
        QVERIFY(saved);
        QCOMPARE(saved->toMap().value(s("gen0")).toString(), s("escape.example"));
        QVERIFY(app().aboutUi().aboutText->text().contains(s("Version " CARROWEN_VERSION)));
    }

    // xdg-open (a stand-in that fails as it does with no viewer registered): Show Log shows the log in
    // the program's own window, which follows new entries; a web address is shown, selectable.
    void whenXdgOpenFails()
    {
        QTemporaryDir bin;
        QFile opener(bin.filePath(s("xdg-open")));
        QVERIFY(opener.open(QIODevice::WriteOnly));
        opener.write("#!/bin/sh\necho \"$1\" >> \"$(dirname \"$0\")/asked\"\nexit 4\n");
        opener.close();
        opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()) + ':' + path);
        Platform::setWorkspace(std::make_shared<XdgWorkspace>());

        app().logChange(s("first"));
        app().logChange(s("second"));
        app().showLog();
        QTRY_VERIFY(app().windowLog() && app().windowLog()->isVisible());
        QVERIFY(app().windowLog()->isReadOnly());
        QVERIFY(app().windowLog()->toPlainText().endsWith(s("-second")));
        app().logChange(s("third"));
        QVERIFY(app().windowLog()->toPlainText().endsWith(s("-second\n2026:12:5-09:05:03-third")));

        app().visitMainWebsite();
        const auto shownMessage = []() -> QMessageBox* {
            for (QWidget* window : QApplication::topLevelWidgets()) {
                if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible()) {
                    return box;
                }
            }
            return nullptr;
        };
        QTRY_VERIFY(shownMessage());
        QMessageBox* message = shownMessage();
        QVERIFY(message->text().contains(AppDelegate::homePageUrl()));
        QVERIFY(message->textInteractionFlags() & Qt::TextSelectableByMouse);
        QFile asked(bin.filePath(s("asked")));
        QVERIFY(asked.open(QIODevice::ReadOnly));
        QVERIFY(asked.readAll().endsWith(AppDelegate::homePageUrl().toUtf8() + '\n'));
        message->close();
        qputenv("PATH", path);
    }
};

QTEST_MAIN(TestDesk)
#include "tst_desk.moc"
