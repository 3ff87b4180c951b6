#include "Mac_objects.h"

#include <QApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>
#include <QWidget>

#include <optional>

namespace {

// The window's position and size as the X server has it (xwininfo), none when it cannot be asked.
std::optional<QRect> xGeometry(const QWidget& window)
{
    QProcess xwininfo;
    // By title: the X window behind the widget may be recreated when its flags change.
    xwininfo.start(QStringLiteral("xwininfo"), {QStringLiteral("-name"), window.windowTitle()});
    if (!xwininfo.waitForFinished(10000) || xwininfo.exitCode() != 0) {
        qWarning("xwininfo: %s", xwininfo.readAllStandardError().constData());
        return std::nullopt;
    }
    const QString text = QString::fromUtf8(xwininfo.readAllStandardOutput());
    const auto field = [&text](const char* name) {
        const QRegularExpression re(QStringLiteral("%1:\\s*(-?\\d+)").arg(QString::fromLatin1(name)));
        const QRegularExpressionMatch m = re.match(text);
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    };
    return QRect(field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"), field("Height"));
}

// Waits until the X server reports the window at the expected place; false with what it last saw.
bool waitForXGeometry(const QWidget& window, const QRect& expected)
{
    QRect last;
    for (int i = 0; i < 50; ++i) {
        QCoreApplication::processEvents();
        if (const std::optional<QRect> g = xGeometry(window)) {
            last = *g;
            if (last == expected) {
                return true;
            }
        }
        QTest::qWait(50);
    }
    qWarning("X geometry %d,%d %dx%d", last.x(), last.y(), last.width(), last.height());
    return false;
}

} // namespace

/** Windows placed by position code land where the X server shows them (Xvfb, no window manager). */
class TestMacObjectsX11 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {
            QSKIP("needs an X display (Xvfb): DISPLAY is unset (tools/with-session.sh starts one)");
        }
        if (QStandardPaths::findExecutable(QStringLiteral("xwininfo")).isEmpty()) {
            QSKIP("needs xwininfo (x11-utils)");
        }
    }

    void shownWindowLandsCentred()
    {
        Mac_objects* obj = Mac_objects::sharedEngineInstance();
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QWidget window;
        window.setWindowTitle(QStringLiteral("centred"));
        window.resize(400, 300);
        QVERIFY(obj->windowPositionAnimated(&window, 6, false));
        obj->windowShow(&window, true);
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // Without a window manager the frame is the window itself.
        const QRect centred(screen.x() + (screen.width() - 400) / 2, screen.y() + (screen.height() - 300) / 2, 400,
                            300);
        QVERIFY(waitForXGeometry(window, centred));

        // A window already on screen, moved away, comes back to the centre.
        window.move(screen.x() + 3, screen.y() + 7);
        QVERIFY(waitForXGeometry(window, QRect(screen.x() + 3, screen.y() + 7, 400, 300)));
        QVERIFY(obj->windowPositionAnimated(&window, 6, false));
        obj->windowShow(&window, true);
        QVERIFY(waitForXGeometry(window, centred));
        QCOMPARE(
            obj->windowGetFrame(&window).topLeft(),
            QPointF(centred.x(), QGuiApplication::primaryScreen()->virtualGeometry().height() - 300 - centred.y()));

        // Keeping it above normal windows leaves it on screen and in place.
        obj->windowKeepAbove(&window, true);
        QVERIFY(window.isVisible());
        QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(waitForXGeometry(window, centred));
    }
};

int main(int argc, char** argv)
{
    // Without a display the test only reports that it skips.
    qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("DISPLAY") ? QByteArray("offscreen") : QByteArray("xcb"));
    QApplication app(argc, argv);
    TestMacObjectsX11 test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mac_objects_x11.moc"
