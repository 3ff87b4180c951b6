#include "LibMath.h"

#include <QTest>

#include <limits>

// The counters, random ranges and conversions at the edges of their ranges, where they must answer
// rather than overflow or divide by zero, and the window-resize rule.
class TestLibMath : public QObject
{
    Q_OBJECT
    LibMath* m = LibMath::sharedEngineInstance();
    static constexpr int Max = std::numeric_limits<int>::max();

private slots:
    void countersAtTheirEdges()
    {
        QCOMPARE(m->cycleIntMinMaxStep(3, 0, 3, 1), 0);
        QCOMPARE(m->cycleIntMinMaxStep(0, 0, 3, -1), 3);
        QCOMPARE(m->cycleIntMinMaxStep(Max, 0, Max, 1), 0); // past the int range is "above hi"
        QCOMPARE(m->stepChangeIntStepEnd(9, 2, 10), 11);    // the end is matched only exactly
        QCOMPARE(m->stepChangeIntStepEnd(Max, 1, 0), std::numeric_limits<int>::min());
        int p = 2;
        QVERIFY(!m->pStepChangeIntStepEnd(&p, -1, 0));
        QVERIFY(!m->pStepChangeIntStepEnd(&p, -1, 0));
        QVERIFY(m->pStepChangeIntStepEnd(&p, -1, 0));
        QVERIFY(!m->timeOnOfftickOnTimeOffTime(7, 0, 0)); // no period: never on
        QCOMPARE(m->fadeInOutIntSpeedPeriod(2, 1, 3), std::make_pair(3, -1));
    }

    void randomRangesAndConversions()
    {
        for (int i = 0; i < 500; ++i) {
            const int r = m->rndRangeMinMax(-2, 2);
            QVERIFY(r >= -2 && r <= 2);
            const float f = m->rndRangeMinFloatWithGainMaxGain(1.0f, 2.0f, 1.0f);
            QVERIFY(f >= 1.0f && f < 2.0f);
        }
        QCOMPARE(m->rndRangeMinMax(5, 4), 5);
        QCOMPARE(m->rndModFactor(0, 2.0f), 0.0f);
        QCOMPARE(m->rndRangeMinWithGainMaxGain(1, 1, std::numeric_limits<float>::infinity()), Max);
        QCOMPARE(m->roundFloat(0.5f), 0);
        QCOMPARE(m->roundFloat(0.502f), 1);
        QCOMPARE(m->roundFloat(std::numeric_limits<float>::quiet_NaN()), 0);
        QCOMPARE(m->roundFloat(1e30f), Max);
        QCOMPARE(m->NSNumbertoInt(QVariant(-1e30)), std::numeric_limits<int>::min());
        QCOMPARE(m->fractionFromPosWidthMinMax(50.0f, 100.0f, 0.5f, 0.5f), 0.0f);
    }

    void resizeRule()
    {
        m->setDefaultWindowHasTitleBar(QRectF(0, 0, 400, 300), false);
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
