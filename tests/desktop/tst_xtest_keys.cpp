#include "KeyEvents.h"
#include "Mac_system.h"
#include "Platform.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QWidget>

#include <memory>

namespace {
// A window that records the key presses it receives.
class KeyWindow : public QWidget
{
public:
    struct Press
    {
        int key;
        Qt::KeyboardModifiers modifiers;
        QString text;
    };
    QList<Press> presses;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() != Qt::Key_Shift && event->key() != Qt::Key_Control && event->key() != Qt::Key_Alt) {
            presses.append({event->key(), event->modifiers(), event->text()});
        }
    }
};
} // namespace

/** Keys posted through the X Test extension reach a focused Qt window. */
class TestXTestKeys : public QObject
{
    Q_OBJECT

    std::unique_ptr<KeyWindow> window;
    Mac_system* sys = nullptr;

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {
            QSKIP("needs an X display (Xvfb): DISPLAY is unset (tools/with-session.sh starts one)");
        }
        Platform::installBackends(Platform::Backends::Linux);
        QVERIFY2(Platform::keyEvents()->canPost(), qPrintable(Platform::keyEvents()->unavailableReason()));
        sys = Mac_system::sharedEngineInstance();
        window = std::make_unique<KeyWindow>();
        window->resize(200, 100);
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        window->setFocus();
    }

    void init()
    {
        if (window) {
            window->presses.clear();
        }
    }

    void typedTextArrivesWithShift()
    {
        sys->typeChars(QStringLiteral("Ab"));
        QTRY_COMPARE(window->presses.size(), 2);
        QCOMPARE(window->presses[0].key, int(Qt::Key_A));
        QCOMPARE(window->presses[0].modifiers, Qt::ShiftModifier);
        QCOMPARE(window->presses[0].text, QStringLiteral("A"));
        QCOMPARE(window->presses[1].key, int(Qt::Key_B));
        QCOMPARE(window->presses[1].modifiers, Qt::NoModifier);
        QCOMPARE(window->presses[1].text, QStringLiteral("b"));
    }

    void namedKeysAndShortcuts()
    {
        sys->postKeycodeShiftCmdCtlOpt(36, false, false, false, false); // return
        sys->cmd(QStringLiteral("c"));                                  // command-C is control-C here
        sys->typeChars(QStringLiteral(":"));                            // shifted on the server's keymap
        sys->deleteChars(1);
        sys->postKeycodeShiftCmdCtlOpt(10, false, false, false, false); // no key: nothing arrives
        QTRY_COMPARE(window->presses.size(), 4);
        QCOMPARE(window->presses[0].key, int(Qt::Key_Return));
        QCOMPARE(window->presses[1].key, int(Qt::Key_C));
        QCOMPARE(window->presses[1].modifiers, Qt::ControlModifier);
        QCOMPARE(window->presses[2].text, QStringLiteral(":"));
        QCOMPARE(window->presses[3].key, int(Qt::Key_Backspace));
    }

    void frontApplicationIsTheFocusedWindow()
    {
        // No window manager under Xvfb: the focused window's class names the application.
        qInfo() << "front:" << sys->getFrontApplicationName() << sys->getFrontApplicationBundleIdentifier();
        QVERIFY(sys->getFrontApplicationName().contains(QStringLiteral("test_xtest_keys"), Qt::CaseInsensitive));
        QVERIFY(!sys->getFrontApplicationBundleIdentifier().isEmpty());
    }

    void cleanupTestCase() { window.reset(); }
};

int main(int argc, char** argv)
{
    // Without a display the xcb platform would abort before the test can skip.
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    TestXTestKeys test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_xtest_keys.moc"
