#include "LibMath.h"

#include <QTest>

#include <limits>

class TestLibMath : public QObject
{
    Q_OBJECT
    LibMath* m = LibMath::sharedEngineInstance();

private slots:
    void counters()
    {
        QCOMPARE(m->cycleIntMinMaxStep(3, 0, 3, 1), 0);
        QCOMPARE(m->cycleIntMinMaxStep(0, 0, 3, -1), 3);
        QCOMPARE(m->cycleIntMinMaxStep(1, 0, 3, 1), 2);
        // A step past the int range is "above hi", not an overflow.
        QCOMPARE(m->cycleIntMinMaxStep(std::numeric_limits<int>::max(), 0, std::numeric_limits<int>::max(), 1), 0);
        QCOMPARE(m->stepChangeIntStepEnd(10, 2, 10), 10);
        QCOMPARE(m->stepChangeIntStepEnd(9, 2, 10), 11); // the end is matched only exactly
        QCOMPARE(m->stepChangeIntStepEnd(std::numeric_limits<int>::max(), 1, 0), std::numeric_limits<int>::min());
        QCOMPARE(m->limitIntMinMax(-5, 0, 10), 0);
        QCOMPARE(m->limitIntMinMax(15, 0, 10), 10);

        int p = 2;
        QVERIFY(!m->pStepChangeIntStepEnd(&p, -1, 0));
        QVERIFY(!m->pStepChangeIntStepEnd(&p, -1, 0));
        QVERIFY(m->pStepChangeIntStepEnd(&p, -1, 0));
        QCOMPARE(p, 0);
    }

    void blinkAndToggles()
    {
        QList<bool> on;
        for (int tick = 0; tick < 5; ++tick)
            on << m->timeOnOfftickOnTimeOffTime(tick, 2, 3);
        QCOMPARE(on, (QList<bool>{true, true, false, false, false}));
        QVERIFY(!m->timeOnOfftickOnTimeOffTime(7, 0, 0)); // no period: never on, no division by zero
        QCOMPARE(m->zeroOneToggle(0), 1);
        QCOMPARE(m->zeroOneToggle(1), 0);
        QCOMPARE(m->minusOnePlusOneToggle(0), 1);
        QCOMPARE(m->minusOnePlusOneToggle(1), -1);
        QCOMPARE(m->minusOnePlusOneToggle(-1), -1);
        QCOMPARE(m->fadeInOutIntSpeedPeriod(0, 1, 3), std::make_pair(1, 1));
        QCOMPARE(m->fadeInOutIntSpeedPeriod(2, 1, 3), std::make_pair(3, -1));
        QCOMPARE(m->fadeInOutIntSpeedPeriod(1, -1, 3), std::make_pair(0, 1));
    }

    void randomRanges()
    {
        for (int i = 0; i < 500; ++i) {
            const int r = m->rndRangeMinMax(-2, 2);
            QVERIFY(r >= -2 && r <= 2);
            const float f = m->rndRangeMinFloatWithGainMaxGain(1.0f, 2.0f, 1.0f);
            QVERIFY(f >= 1.0f && f < 2.0f);
            const int z = m->onePlusMinusZeroOneRnd();
            QVERIFY(z >= -1 && z <= 1);
        }
        // Empty or reversed ranges and a zero modulus answer instead of dividing by zero.
        QCOMPARE(m->rndRangeMinMax(5, 4), 5);
        QCOMPARE(m->rndModFactor(0, 2.0f), 0.0f);
        QCOMPARE(m->rndRangeMinWithGainMaxGain(1, 1, std::numeric_limits<float>::infinity()),
                 std::numeric_limits<int>::max());
    }

    void floats()
    {
        QCOMPARE(m->roundFloat(2.5f), 2);
        QCOMPARE(m->roundFloat(2.6f), 3);
        QCOMPARE(m->roundFloat(0.5f), 0);
        QCOMPARE(m->roundFloat(0.502f), 1);
        QCOMPARE(m->roundFloat(std::numeric_limits<float>::quiet_NaN()), 0);
        QCOMPARE(m->roundFloat(1e30f), std::numeric_limits<int>::max());
        QCOMPARE(m->cycleFloatMinMax(-0.1f, 0.0f, 1.0f), 1.0f);
        QCOMPARE(m->cycleFloatMinMax(1.1f, 0.0f, 1.0f), 0.0f);
        QCOMPARE(m->fractionFromPosWidthMinMax(50.0f, 100.0f, 0.25f, 0.75f), 0.5f);
        QCOMPARE(m->fractionFromPosWidthMinMax(50.0f, 100.0f, 0.5f, 0.5f), 0.0f);
        QCOMPARE(m->floatFromPercentLimitLowLimitHigh(50.0f, 10.0f, 20.0f), 15.0f);

        float p = 0.0f;
        int steps = 0;
        while (m->pStepChangeFloatStepEnd(&p, 0.5f, 2.0f))
            ++steps;
        QCOMPARE(steps, 4);
        QCOMPARE(p, 2.0f);
    }

    void bounce()
    {
        QCOMPARE(m->bounce(QRectF(5, 0, 10, 0)), QRectF(6, 0, 10, 1));
        QCOMPARE(m->bounce(QRectF(10, 0, 10, 1)), QRectF(11, 0, 10, -1));
        QCOMPARE(m->bounce(QRectF(0, 0, 10, -1)), QRectF(-1, 0, 10, 1));
    }

    void resizeRule()
    {
        m->setDefaultWindowHasTitleBar(QRectF(0, 0, 400, 300), false);
        m->set2dSystem(3);
        QCOMPARE(m->positionInNewWindowObject(QRectF(0, 0, 500, 350), QRectF(10, 20, 30, 40)), QRectF(110, 70, 30, 40));

        m->set2dSystem(13); // scale both ways
        QCOMPARE(m->positionInNewWindowObject(QRectF(0, 0, 800, 600), QRectF(10, 20, 30, 40)), QRectF(20, 40, 60, 80));

        m->setDefaultWindowHasTitleBar(QRectF(0, 0, 400, 300), true);
        m->set2dSystem(8); // fixed edges: the control grows with the window, less the title bar
        QCOMPARE(m->positionInNewWindowObject(QRectF(0, 0, 500, 419), QRectF(10, 20, 30, 40)),
                 QRectF(10, 20, 130, 140));

        m->set2dSystem(19); // unknown preset: the rule stays
        QVERIFY(m->isObjectFixedEdgeLeftRight() && m->isObjectFixedEdgeTopBtm());

        m->setDefaultWindowHasTitleBar(QRectF(), false);
        m->set2dSystem(13); // no original size to scale from: the control keeps its frame
        QCOMPARE(m->positionInNewWindowObject(QRectF(0, 0, 500, 350), QRectF(10, 20, 30, 40)), QRectF(10, 20, 30, 40));
    }
};

QTEST_GUILESS_MAIN(TestLibMath)
#include "tst_libmath.moc"
