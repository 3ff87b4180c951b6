// Touch events of a real widget driving the gesture recogniser through the adapter.

#include "Gestures.h"
#include "TouchAdapter.h"

#include <QPointingDevice>
#include <QTest>
#include <QTouchEvent>
#include <QWidget>

class TestTouchAdapter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_device = QTest::createTouchDevice(QInputDevice::DeviceType::TouchScreen);
        // Half the frame: every widget position maps to twice its value in the 320 x 480 frame.
        m_widget.resize(160, 240);
        m_widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m_widget));
        m_gestures = Gestures::sharedEngineInstance();
        m_adapter = new TouchAdapter(&m_widget, m_gestures);
    }

    void init()
    {
        m_gestures->setNumActiveFingers(0);
        m_gestures->GSinitializeArrays();
        m_gestures->GSsetDefaults();
        m_gestures->setFingerGesture(0);
    }

    void strokeAcrossTheWidgetIsALine()
    {
        QTest::touchEvent(&m_widget, m_device).press(0, QPoint(10, 120));
        QCOMPARE(m_gestures->numActiveFingers(), 1);
        // Widget x 10 -> frame 20 -> recogniser 30.
        QCOMPARE(m_gestures->eventBeganTouchPosition(), QPointF(30, 240));
        for (int x = 25; x <= 145; x += 15) {
            QTest::touchEvent(&m_widget, m_device).move(0, QPoint(x, 121));
        }
        QTest::touchEvent(&m_widget, m_device).release(0, QPoint(145, 121));
        QCOMPARE(m_adapter->fingersDown(), 0);
        QCOMPARE(m_gestures->numActiveFingers(), 0);
        QCOMPARE(m_gestures->fingerGesture(), 12);
        // An area with no size leaves positions as they are rather than dividing by zero.
        QCOMPARE(TouchAdapter::toTouchFrame(QPointF(7, 9), QSizeF(0, 0)), QPointF(7, 9));
    }

    void twoFingersSideBySideAreAHorizontalTap()
    {
        QTest::touchEvent(&m_widget, m_device).press(3, QPoint(20, 100)).press(9, QPoint(130, 100));
        QCOMPARE(m_adapter->fingersDown(), 2);
        QCOMPARE(m_gestures->eventBeganTouchNum(), 1);
        QTest::touchEvent(&m_widget, m_device).stationary(3).move(9, QPoint(131, 101));
        QTest::touchEvent(&m_widget, m_device).release(3, QPoint(20, 100)).release(9, QPoint(131, 101));
        QCOMPARE(m_gestures->numActiveFingers(), 0);
        QCOMPARE(m_gestures->fingerGesture(), 70);
    }

    void fingerNumbersAreReused()
    {
        QTest::touchEvent(&m_widget, m_device).press(1, QPoint(20, 100)).press(2, QPoint(60, 100));
        QTest::touchEvent(&m_widget, m_device).release(1, QPoint(20, 100)).stationary(2);
        QTest::touchEvent(&m_widget, m_device).press(5, QPoint(100, 100)).stationary(2);
        QCOMPARE(m_gestures->eventBeganTouchNum(), 0);
        QTest::touchEvent(&m_widget, m_device).release(5, QPoint(100, 100)).release(2, QPoint(60, 100));
        QCOMPARE(m_gestures->numActiveFingers(), 0);
    }

    void cancelledTouchLiftsEveryFinger()
    {
        QTest::touchEvent(&m_widget, m_device).press(0, QPoint(20, 100)).press(1, QPoint(120, 100));
        QCOMPARE(m_gestures->numActiveFingers(), 2);
        QTouchEvent cancel(QEvent::TouchCancel, m_device);
        QCoreApplication::sendEvent(&m_widget, &cancel);
        QCOMPARE(m_adapter->fingersDown(), 0);
        QCOMPARE(m_gestures->numActiveFingers(), 0);
        QCOMPARE(m_gestures->eventEndedTouchPosition(), QPointF(360, 200));
    }

private:
    QWidget m_widget;
    QPointingDevice* m_device = nullptr;
    Gestures* m_gestures = nullptr;
    TouchAdapter* m_adapter = nullptr;
};

QTEST_MAIN(TestTouchAdapter)
#include "tst_touchadapter.moc"
