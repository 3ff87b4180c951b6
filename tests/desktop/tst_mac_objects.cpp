#include "FakeKeyEvents.h"
#include "Mac_objects.h"
#include "Platform.h"
#include "Resources.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <cmath>
#include <memory>

namespace {
using KeyPress = Mac_objects::KeyPress;
constexpr std::uint64_t Cmd = Mac_objects::CommandFlag;
constexpr std::uint64_t Ctl = Mac_objects::ControlFlag;
constexpr std::uint64_t Shift = Mac_objects::ShiftFlag;
constexpr std::uint64_t Opt = Mac_objects::OptionFlag;

// The layer colour of a view, invalid when it has none.
QColor layerColor(const QWidget* view)
{
    const auto layer = Mac_objects::sharedEngineInstance()->layerOf(view);
    return layer ? layer->background : QColor();
}
QColor layerBorder(const QWidget* view)
{
    const auto layer = Mac_objects::sharedEngineInstance()->layerOf(view);
    return layer ? layer->border : QColor();
}
} // namespace

/** Window and button helpers on the offscreen platform with two screens side by
 * side. */
class TestMacObjects : public QObject
{
    Q_OBJECT

    Mac_objects* obj = nullptr;

private slots:
    void initTestCase() { obj = Mac_objects::sharedEngineInstance(); }

    void geometryConversion_data()
    {
        QTest::addColumn<QRectF>("desktop");
        QTest::addColumn<QRectF>("library");
        QTest::addColumn<QRectF>("qt");
        QTest::newRow("bottom-left corner")
            << QRectF(0, 0, 1440, 900) << QRectF(0, 0, 100, 50) << QRectF(0, 850, 100, 50);
        QTest::newRow("desktop not at zero")
            << QRectF(-100, -200, 1000, 1000) << QRectF(0, 0, 10, 10) << QRectF(0, 790, 10, 10);
    }
    void geometryConversion()
    {
        QFETCH(QRectF, desktop);
        QFETCH(QRectF, library);
        QFETCH(QRectF, qt);
        QCOMPARE(Mac_objects::toQtRect(library, desktop), qt);
        QCOMPARE(Mac_objects::fromQtRect(qt, desktop), library);
    }

    void unknownCodes()
    {
        QVERIFY(!Mac_objects::placementOrigin(QRectF(0, 0, 100, 100), QSizeF(10, 10), 9));
        QVERIFY(!Mac_objects::placementOrigin(QRectF(0, 0, 100, 100), QSizeF(10, 10), -1));
        QVERIFY(!Mac_objects::resizedSize(QSizeF(10, 10), 10));
        QVERIFY(!Mac_objects::resizedSize(QSizeF(10, 10), -1));
        QCOMPARE(*Mac_objects::resizedSize(QSizeF(600, 300), 3), QSizeF(200, 100));
        QCOMPARE(*Mac_objects::resizedSize(QSizeF(600, 300), 7), QSizeF(150, 300));
    }

    void screens()
    {
        // main() configured two screens: 800 x 600 at the left, 1024 x 768 to its
        // right.
        QCOMPARE(obj->getNumberOfScreens(), 2);
        QCOMPARE(obj->getScrnDimensionsFromScreen(0), QRectF(0, 168, 800, 600));
        QCOMPARE(obj->getScrnDimensionsFromScreen(1), QRectF(800, 0, 1024, 768));
        QCOMPARE(obj->getScrnDimensionsFromScreen(2), QRectF());
        QCOMPARE(obj->getActiveScreenNumber(), 0);
    }

    // Each code puts the frame against the named edges of the screen, or centres
    // it (within the rounding of odd sizes): codes 0-2 left, 3-5 right, 6-8
    // centred; middle, top, bottom in turn.
    void placeOnScreens()
    {
        QWidget window;
        window.resize(400, 300);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (int screen : {0, 1}) {
            const QRectF s = obj->getScrnDimensionsFromScreen(screen);
            for (int code = 0; code < 9; ++code) {
                window.move(5, 5);
                QVERIFY(obj->windowPositionScreenNumberAnimated(&window, code, screen, false));
                const QRectF f = obj->windowGetFrame(&window);
                const double x[] = {s.left(), s.right() - f.width(), s.center().x() - f.width() / 2};
                const double y[] = {s.center().y() - f.height() / 2, s.bottom() - f.height(), s.top()};
                QVERIFY2(qAbs(f.x() - x[code / 3]) <= 1 && qAbs(f.y() - y[code % 3]) <= 1,
                         qPrintable(QStringLiteral("screen %1 code %2").arg(screen).arg(code)));
            }
        }
        // No such screen, no such code: the window stays where it is.
        const QRectF before = obj->windowGetFrame(&window);
        QVERIFY(!obj->windowPositionScreenNumberAnimated(&window, 6, 2, false));
        QVERIFY(!obj->windowPositionScreenNumberAnimated(&window, 9, 0, false));
        QCOMPARE(obj->windowGetFrame(&window), before);
    }

    void nextScreenWraps()
    {
        // The active screen is the one holding the active window: put it on the
        // second screen.
        QWidget window;
        window.resize(200, 100);
        QVERIFY(obj->windowPositionScreenNumberAnimated(&window, 6, 1, false));
        obj->windowShow(&window, true);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QCOMPARE(obj->getActiveScreenNumber(), 1);
        // Second active, step 1: wraps round to screen 0.
        QVERIFY(obj->windowPositionNextWindowAnimated(&window, 6, 1, false));
        QVERIFY(obj->getScrnDimensionsFromScreen(0).contains(obj->windowGetFrame(&window)));
        QTRY_COMPARE(obj->getActiveScreenNumber(), 0);
        // First active, step -1: wraps round to the last screen; step 0 stays.
        QVERIFY(obj->windowPositionNextWindowAnimated(&window, 6, -1, false));
        QVERIFY(obj->getScrnDimensionsFromScreen(1).contains(obj->windowGetFrame(&window)));
        QTRY_COMPARE(obj->getActiveScreenNumber(), 1);
        QVERIFY(obj->windowPositionNextWindowAnimated(&window, 2, 0, false));
        QCOMPARE(obj->windowGetFrame(&window).topLeft(), QPointF(800, 0));
    }

    void sizeKeepsLowerLeft()
    {
        QWidget window;
        window.resize(400, 300);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        obj->windowPosXPosYAnimated(&window, 100, 100, false);
        QCOMPARE(obj->windowGetFrame(&window).topLeft(), QPointF(100, 100));
        const QSizeF frame = obj->windowGetFrame(&window).size();
        obj->windowResizeAnimated(&window, 0, false);
        QCOMPARE(obj->windowGetFrame(&window), QRectF(100, 100, frame.width() / 2, std::trunc(frame.height() / 2)));
        obj->windowWidthHeightAnimated(&window, 300, 250, false);
        QCOMPARE(obj->windowGetFrame(&window), QRectF(100, 100, 300, 250));
    }

    void missingWindowsAreTolerated()
    {
        QCOMPARE(obj->windowGetFrame(nullptr), QRectF());
        QVERIFY(obj->windowPositionAnimated(nullptr, 6, false)); // nothing to move: placed all the same
        QVERIFY(!obj->windowPositionAnimated(nullptr, 9, false));
        obj->windowResizeAnimated(nullptr, 0, false);
        obj->btnTxtTxtColor(nullptr, QStringLiteral("x"), Qt::blue);
        obj->btnColor(nullptr, Qt::red);
        obj->btnWindowPosY(nullptr, nullptr, 3);
        QCOMPARE(obj->addImageStrToImageHolderToWindowSize(QStringLiteral("x"), nullptr, nullptr, {}), nullptr);
    }

    void linkButtonStyle()
    {
        QPushButton button;
        obj->btnTxtTxtColor(&button, QStringLiteral("Visit Website/Help"), Qt::blue);
        QCOMPARE(button.palette().color(QPalette::ButtonText), QColor(Qt::blue));
        QVERIFY(button.styleSheet().contains(QStringLiteral("color: rgba(0, 0, 255, 255)")));
        QVERIFY(!obj->layerOf(&button));
        // A later layer keeps the title colour.
        obj->btnColor(&button, Qt::yellow);
        QVERIFY(button.styleSheet().contains(QStringLiteral("color: rgba(0, 0, 255, 255)")));
        QVERIFY(button.styleSheet().contains(QStringLiteral("background-color: rgba(255, 255, 0, 255)")));
    }

    void layers()
    {
        QWidget view;
        obj->btnColorBorderColorBorderWidthCornerRadius(&view, Qt::red, Qt::green, 2, 4);
        auto layer = obj->layerOf(&view);
        QVERIFY(layer);
        QCOMPARE(layer->borderWidth, 2.0);
        QCOMPARE(layer->cornerRadius, 4.0);
        // Each call gives a fresh layer: no border left over.
        obj->btnColor(&view, Qt::blue);
        layer = obj->layerOf(&view);
        QCOMPARE(layer->background, QColor(Qt::blue));
        QCOMPARE(layer->borderWidth, 0.0);
        QVERIFY(!layer->border.isValid());
        obj->makeNSViewXYWHBackcolorBorderColorBorderWidthAlpha(&view, 1, 2, 3, 4, Qt::red, Qt::white, 1, 1);
        layer = obj->layerOf(&view);
        QCOMPARE(layer->background.alpha(), 102);
        QCOMPARE(layer->background.rgb() & 0xFFFFFF, 0u);
    }

    void simpleFlashSteady()
    {
        QPushButton button;
        obj->setBtnFlashSimple({});
        obj->btnFlashOriginalColorFlashlColor(&button, 2, Qt::gray, Qt::red);
        QCOMPARE(layerColor(&button), QColor(Qt::red));
        for (int step = 1; step <= 2; ++step) {
            obj->processFlashBtnSimpleQueue();
            QCOMPARE(layerColor(&button), QColor(Qt::red));
            QCOMPARE(obj->btnFlashSimple().size(), 1);
        }
        obj->processFlashBtnSimpleQueue();
        QCOMPARE(layerColor(&button), QColor(Qt::gray));
        QVERIFY(obj->btnFlashSimple().isEmpty());
    }

    void blinkingFlash()
    {
        QPushButton a;
        QPushButton b;
        obj->setBtnFlash({});
        obj->btnFlashOriginalColorOriginalBorderFlashlColorFlashBorder(&a, 4, Qt::gray, Qt::black, Qt::red, Qt::white);
        obj->btnFlashOriginalColorOriginalBorderFlashlColorFlashBorder(&b, 1, Qt::gray, Qt::black, Qt::blue, Qt::white);
        QCOMPARE(layerBorder(&a), QColor(Qt::white));
        // Counts 4, 3, 2, 1 show flash, original, flash, flash; count 0 restores
        // and removes.
        const QList<QColor> expected{Qt::red, Qt::gray, Qt::red, Qt::red, Qt::gray};
        for (int step = 0; step < expected.size(); ++step) {
            obj->processFlashBtnQueueFlash();
            QCOMPARE(layerColor(&a), expected.at(step));
        }
        QCOMPARE(layerBorder(&a), QColor(Qt::black));
        QCOMPARE(layerColor(&b), QColor(Qt::gray));
        QVERIFY(obj->btnFlash().isEmpty());
    }

    void systemTickStepsBothQueuesAndDropsDeadButtons()
    {
        obj->setBtnFlash({});
        obj->setBtnFlashSimple({});
        auto gone = std::make_unique<QPushButton>();
        QPushButton kept;
        obj->btnFlashOriginalColorFlashlColor(gone.get(), 5, Qt::gray, Qt::red);
        obj->btnFlashOriginalColorOriginalBorderFlashlColorFlashBorder(&kept, 0, Qt::gray, Qt::black, Qt::red,
                                                                       Qt::white);
        gone.reset();
        const int tick = obj->tick();
        obj->systemTick();
        QCOMPARE(obj->tick(), tick + 1);
        QVERIFY(obj->btnFlash().isEmpty());
        QVERIFY(obj->btnFlashSimple().isEmpty());
        QCOMPARE(layerColor(&kept), QColor(Qt::gray));
    }

    void flashTimerDrivesTheQueues()
    {
        obj->setBtnFlashSimple({});
        QPushButton button;
        obj->btnFlashOriginalColorFlashlColor(&button, 3, Qt::gray, Qt::red);
        obj->startFlashTimer(10);
        QVERIFY(obj->isFlashTimerActive());
        QTRY_VERIFY(obj->btnFlashSimple().isEmpty());
        QCOMPARE(layerColor(&button), QColor(Qt::gray));
        obj->startFlashTimer(0);
        QVERIFY(!obj->isFlashTimerActive());
        const int tick = obj->tick();
        QTest::qWait(30);
        QCOMPARE(obj->tick(), tick);
    }

    void viewsInWindowCoordinates()
    {
        QWidget window;
        window.resize(400, 300);
        auto* button = new QPushButton(&window);
        button->setGeometry(0, 0, 80, 20);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const double frameHeight = obj->windowGetFrame(&window).height();
        obj->btnWindowPosY(button, &window, 40);
        // Library origin y = frame height - 40; in Qt the top edge sits that far up
        // from the bottom.
        QCOMPARE(button->geometry(), QRect(0, int(300 - (frameHeight - 40) - 20), 80, 20));
        obj->btnWindowPosXPosY(button, &window, 15, frameHeight);
        QCOMPARE(button->geometry(), QRect(15, 280, 80, 20));
        obj->btnWidthHeight(button, 100, 40);
        QCOMPARE(button->geometry(), QRect(15, 260, 100, 40));

        auto* text = new QTextEdit(&window);
        obj->textViewPosXPosYWidthHeight(text, 10, 20, 200, 100);
        QCOMPARE(text->geometry(), QRect(10, 180, 200, 100));

        auto* scroll = new QScrollArea(&window);
        auto* inner = new QWidget(scroll);
        obj->posScrollViewClipViewTextViewPosition(scroll, inner, nullptr, QRectF(0, 0, 200, 100));
        QCOMPARE(scroll->geometry(), QRect(0, 200, 200, 100));
        QCOMPARE(inner->geometry(), QRect(1, 0, 199, 99));

        QLabel* image =
            obj->addImageStrToImageHolderToWindowSize(QStringLiteral("none"), nullptr, &window, QRectF(0, 0, 32, 32));
        QVERIFY(image);
        QCOMPARE(image->parentWidget(), &window);
        QVERIFY(image->isHidden());
        QCOMPARE(image->geometry(), QRect(0, 268, 32, 32));
    }

    void menuItemFonts()
    {
        QAction item;
        obj->setMenuItemTitleFontSizeColor(&item, QStringLiteral("Quit"), QStringLiteral("default"), 30, Qt::red);
        QCOMPARE(item.text(), QStringLiteral("Quit"));
        QCOMPARE(item.font().family(), QStringLiteral("Helvetica"));
        QCOMPARE(item.font().pointSize(), 15);
        QCOMPARE(item.property("textColor").value<QColor>(), QColor(Qt::red));
        obj->setMenuItemTitleFontSizeColor(&item, QStringLiteral("Q"), QStringLiteral("Courier"), 0, Qt::red);
        QCOMPARE(item.font().family(), QStringLiteral("Courier"));
        QCOMPARE(item.font().pointSize(), 1);
    }

    void colourBrightness_data()
    {
        QTest::addColumn<QColor>("color");
        QTest::addColumn<float>("factor");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("double, alpha made opaque")
            << QColor::fromRgbF(0.25f, 0.4f, 0.1f, 0.5f) << 2.0f << QColor::fromRgbF(0.5f, 0.8f, 0.2f, 1.0f);
        QTest::newRow("clamped to white") << QColor(200, 200, 200) << 3.0f << QColor(255, 255, 255);
        QTest::newRow("negative gives black") << QColor(200, 10, 20) << -1.0f << QColor(0, 0, 0);
        QTest::newRow("NaN: unchanged") << QColor(1, 2, 3, 4) << std::nanf("") << QColor(1, 2, 3, 4);
    }
    void colourBrightness()
    {
        QFETCH(QColor, color);
        QFETCH(float, factor);
        QFETCH(QColor, expected);
        QCOMPARE(obj->changeColorBrightness(color, factor).rgba(), expected.rgba());
    }

    void modifierNames_data()
    {
        QTest::addColumn<quint64>("flags");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("names");
        QTest::addColumn<QString>("shortcut");
        QTest::newRow("all in order") << quint64(0xFF0000) << 122
                                      << QStringLiteral("cmd+ctl+a-shift+shift+option+fn+num+")
                                      << QStringLiteral("cmd+ctl+a-shift+shift+option+fn+num+f1");
        QTest::newRow("none") << quint64(0) << 36 << QString() << QStringLiteral("return");
        QTest::newRow("key out of range")
            << quint64(Opt) << 127 << QStringLiteral("option+") << QStringLiteral("option+???");
    }
    void modifierNames()
    {
        QFETCH(quint64, flags);
        QFETCH(int, key);
        QFETCH(QString, names);
        QFETCH(QString, shortcut);
        const KeyPress press{key, flags};
        QCOMPARE(obj->modifierKeysToStringWithSeparator(press, QStringLiteral("+")), names);
        QCOMPARE(obj->modifierKeysToShortcutWithSeparator(press, QStringLiteral("+")), shortcut);
    }

    void shortcutTest_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<quint64>("flags");
        QTest::addColumn<bool>("shortcut");
        QTest::newRow("f1 alone") << 122 << quint64(0) << true;
        QTest::newRow("a with command") << 0 << quint64(Cmd) << true;
        QTest::newRow("a with control only") << 0 << quint64(Ctl) << false;
        QTest::newRow("return with command") << 36 << quint64(Cmd) << false;
        QTest::newRow("space with shift") << 49 << quint64(Shift) << true;
        QTest::newRow("code out of range") << 300 << quint64(Cmd) << false;
    }
    void shortcutTest()
    {
        QFETCH(int, key);
        QFETCH(quint64, flags);
        QFETCH(bool, shortcut);
        QCOMPARE(obj->couldKeyBeShortcut(KeyPress{key, flags}), shortcut);
    }

    void keyEventsFromQt_data()
    {
        QTest::addColumn<int>("qtKey");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("code");
        QTest::addColumn<quint64>("flags");
        QTest::newRow("meta a") << int(Qt::Key_A) << int(Qt::MetaModifier) << 0 << quint64(Cmd);
        QTest::newRow("ctrl alt return") << int(Qt::Key_Return) << int(Qt::ControlModifier | Qt::AltModifier) << 36
                                         << quint64(Ctl | Opt);
        QTest::newRow("unnamed key") << int(Qt::Key_MediaPlay) << int(Qt::ShiftModifier) << -1 << quint64(Shift);
    }
    void keyEventsFromQt()
    {
        QFETCH(int, qtKey);
        QFETCH(int, modifiers);
        QFETCH(int, code);
        QFETCH(quint64, flags);
        const QKeyEvent event(QEvent::KeyPress, qtKey, Qt::KeyboardModifiers(modifiers));
        const KeyPress press = obj->keyPressFromQKeyEvent(event);
        QCOMPARE(press.keyCode, code);
        QCOMPARE(press.modifierFlags, flags);
    }

    void postKeyDropsFlags()
    {
        auto keys = std::make_shared<FakeKeyEvents>();
        Platform::setKeyEvents(keys);
        obj->postKeycodeFlags(12, Cmd | Shift);
        QCOMPARE(keys->posted(), (QList<FakeKeyEvents::Key>{{12, 0}}));
        keys->setCanPost(false);
        obj->postKeycodeFlags(13, 0);
        QCOMPARE(keys->posted().size(), 1);
        Platform::setKeyEvents(nullptr);
    }

    void scriptResources()
    {
        QTemporaryDir resources;
        QTemporaryDir out;
        QVERIFY(resources.isValid() && out.isValid());
        setResourceDirectory(resources.path());
        const QString marker = out.filePath(QStringLiteral("ran"));
        QFile script(resources.filePath(QStringLiteral("hello.scpt")));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("echo noise; echo err >&2; echo ok > '%1'; exit 3\n").arg(marker).toUtf8());
        script.close();
        QFile outside(out.filePath(QStringLiteral("evil.scpt")));
        QVERIFY(outside.open(QIODevice::WriteOnly));
        outside.write(QStringLiteral("echo bad > '%1'\n").arg(marker).toUtf8());
        outside.close();

        obj->runApplescriptFromBundleWithNameAndExt(QStringLiteral("missing"), QStringLiteral("scpt"));
        obj->runApplescriptFromBundleWithNameAndExt(
            QStringLiteral("../") + QDir(out.path()).dirName() + QStringLiteral("/evil"), QStringLiteral("scpt"));
        QVERIFY(!QFile::exists(marker));
        obj->runApplescriptFromBundleWithNameAndExt(QStringLiteral("hello"), QStringLiteral("scpt"));
        QFile result(marker);
        QVERIFY(result.open(QIODevice::ReadOnly));
        QCOMPARE(result.readAll(), QByteArray("ok\n"));
        setResourceDirectory({});
    }
};

// Two offscreen screens side by side of different heights, so that the y flip
// and the screen order are both exercised. The platform reads them from a
// configuration file named on its command line.
int main(int argc, char** argv)
{
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screens.json"));
    const auto screen = [](const char* name, int x, int width, int height) {
        return QJsonObject{{QLatin1String("name"), QString::fromLatin1(name)},
                           {QLatin1String("x"), x},
                           {QLatin1String("y"), 0},
                           {QLatin1String("width"), width},
                           {QLatin1String("height"), height}};
    };
    const QJsonArray screens{screen("left", 0, 800, 600), screen("right", 800, 1024, 768)};
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) {
        return 2;
    }
    file.write(QJsonDocument(QJsonObject{{QStringLiteral("screens"), screens}}).toJson());
    file.close();
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + config.toLocal8Bit());
    QApplication app(argc, argv);
    TestMacObjects test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mac_objects.moc"
