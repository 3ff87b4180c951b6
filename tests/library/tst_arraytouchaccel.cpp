// The swipe tracker, hit tests, tilt tests and the line-array reader.

#include "ArrayTouchAccel.h"
#include "Resources.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

namespace {

class ArrayTouchAccelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        a = ArrayTouchAccel::sharedEngineInstance();
        a->setLastTouchRecorded(0);
        a->setArray({});
        a->setCurrentItem(0);
        a->setTotalNumItemLines(0);
    }
    void TearDown() override { setResourceDirectory({}); }

    // A swipe from start through the given points, lifted at the last one; the codes while moving.
    std::vector<int> swipe(QPointF start, std::initializer_list<QPointF> through)
    {
        std::vector<int> moving;
        a->setGestureStartPoint(start);
        a->processTouchesBegan();
        for (QPointF p : through) {
            a->setCurrentPosition(p);
            a->processTouchesMoved();
            moving.push_back(a->gesture());
        }
        a->processTouchesEnded();
        return moving;
    }

    // Writes a resource into a temporary resource directory and loads it.
    bool load(const QString& name, const QByteArray& text)
    {
        setResourceDirectory(dir.path());
        QFile file(dir.filePath(name + QStringLiteral(".txt")));
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
            return false;
        }
        file.close();
        return a->loadArrayFromFileNameWithFileExt(name, QStringLiteral("txt"));
    }

    ArrayTouchAccel* a = nullptr;
    QTemporaryDir dir;
};

// ---- Swipes ----

TEST_F(ArrayTouchAccelTest, directionFromTheMoveBeyondTheLimits)
{
    // More than 240 points across and more than 160 up or down, from (300, 240); y grows downwards.
    // Within the limits it is a touch (1) while moving and a release (2) at the lift.
    const struct
    {
        QPointF to;
        int moving;
        int lifted;
    } cases[] = {{{300, 240}, 1, 2},  {{59, 140}, 11, 11}, {{59, 79}, 4, 4},   {{300, 79}, 5, 5},
                 {{541, 79}, 6, 6},   {{541, 240}, 7, 7},  {{541, 401}, 8, 8}, {{300, 401}, 9, 9},
                 {{59, 401}, 10, 10}, {{60, 240}, 1, 2},   {{59.1, 240}, 1, 2}}; // 240.9 truncates to 240
    for (const auto& c : cases) {
        EXPECT_EQ(swipe({300, 240}, {c.to}).back(), c.moving) << c.to.x() << "," << c.to.y();
        EXPECT_EQ(a->gesture(), c.lifted) << c.to.x() << "," << c.to.y();
    }
    // A touch without a move is a release at distance 0.
    swipe({100, 100}, {});
    EXPECT_EQ(a->gesture(), 2);
    EXPECT_EQ(a->distanceSwiped(), 0);
}

TEST_F(ArrayTouchAccelTest, directionFoundWhileMovingStaysUntilTheLift)
{
    // 300 right (7), back to 100 right: keeps 7 while moving; the lift judges the last move only.
    EXPECT_EQ(swipe({10, 240}, {{310, 240}, {110, 240}}), (std::vector<int>{7, 7}));
    EXPECT_EQ(a->gesture(), 2);
    EXPECT_EQ(a->moveX(), -100);
    EXPECT_EQ(a->distanceSwiped(), 10000);
}

TEST_F(ArrayTouchAccelTest, previousSwipeIsCopiedWhenTheNextBegins)
{
    const int tapped = a->numOfTimesTapped();
    swipe({300, 240}, {{50, 240}});
    swipe({20, 400}, {{20, 200}});
    EXPECT_EQ(a->lastTouchRecorded(), 2);
    // The host sets the start point before the swipe begins, so the copy already holds the new one.
    EXPECT_EQ(a->lastGestureStartPoint(), QPointF(20, 400));
    EXPECT_EQ(a->lastMoveX(), 250);
    EXPECT_EQ(a->lastGesture(), 11);
    EXPECT_EQ(a->lastDistanceSwiped(), 62500);
    EXPECT_EQ(a->gesture(), 5);
    EXPECT_EQ(a->numOfTimesTapped(), tapped + 2);
}

TEST_F(ArrayTouchAccelTest, hugeAndNaNMovesSaturate)
{
    swipe({0, 0}, {{1e12, -1e12}});
    EXPECT_EQ(a->moveX(), INT_MIN);
    EXPECT_EQ(a->moveY(), INT_MAX);
    EXPECT_EQ(a->distanceSwiped(), INT_MAX);
    EXPECT_EQ(a->gesture(), 6);
    swipe({0, 0}, {{std::nan(""), std::numeric_limits<double>::infinity()}});
    EXPECT_EQ(a->moveX(), 0);
    EXPECT_EQ(a->moveY(), INT_MIN);
    EXPECT_EQ(a->gesture(), 9);
    swipe({0, 0}, {{46341, 0}});
    EXPECT_EQ(a->distanceSwiped(), INT_MAX); // 46341 squared passes 2^31 - 1
    EXPECT_EQ(ArrayTouchAccel::gestureMovedDistMinDist(INT_MIN, INT_MAX), -1);
}

// ---- Hit tests ----

TEST_F(ArrayTouchAccelTest, hitTestsAreStrictAndDoNotOverflow)
{
    a->setGestureStartPoint({10, 10});
    EXPECT_TRUE(a->hitAreaXstartXendYStartYEnd(9, 11, 9, 11));
    EXPECT_FALSE(a->hitAreaXstartXendYStartYEnd(10, 11, 9, 11));
    EXPECT_FALSE(a->hitAreaXAYAXBYB(0, 10, 20, 20));
    EXPECT_TRUE(a->hitWidthHeightXYWidthHeight(5, 5, 6, 6));
    EXPECT_FALSE(a->hitWidthHeightXYWidthHeight(5, 5, 5, 6));
    EXPECT_TRUE(a->hitWidthHeightXYWidthHeight(5, 5, INT_MAX, INT_MAX));
    // Size 5: half-size 2, so the square around 12 spans 10 to 14 and 10 itself is on the edge.
    EXPECT_FALSE(a->hitAreaXYSize(12, 10, 5));
    EXPECT_TRUE(a->hitAreaXYSize(11, 10, 5));
    EXPECT_TRUE(a->hitAreaXYSize(0, 0, INT_MAX));
    a->clrHitAreaData();
    EXPECT_EQ(a->gestureStartPoint(), QPointF(-1, -1));
}

TEST_F(ArrayTouchAccelTest, blockOfAPoint)
{
    EXPECT_TRUE(a->getBlockHitHzVtPos(4, 6, {100, 250}));
    EXPECT_EQ(QPoint(a->blockX(), a->blockY()), QPoint(1, 3));
    EXPECT_TRUE(a->getBlockHitHzVtPos(3, 7, {319, 479})); // 106- and 68-point blocks
    EXPECT_EQ(QPoint(a->blockX(), a->blockY()), QPoint(3, 7));
    EXPECT_TRUE(a->getBlockHitHzVtPos(4, 6, {std::nan(""), 1e300}));
    EXPECT_EQ(QPoint(a->blockX(), a->blockY()), QPoint(0, INT_MAX));
    // Counts from 1 up to the screen's points are accepted; anything else answers false and -1, -1.
    for (const QPoint counts : {QPoint(0, 6), QPoint(-4, 6), QPoint(321, 6), QPoint(4, 481)}) {
        EXPECT_FALSE(a->getBlockHitHzVtPos(counts.x(), counts.y(), {100, 250}));
        EXPECT_EQ(QPoint(a->blockX(), a->blockY()), QPoint(-1, -1));
    }
}

// ---- Tilt ----

TEST_F(ArrayTouchAccelTest, deadZoneAndShake)
{
    float last = 0;
    EXPECT_EQ(ArrayTouchAccel::isAccelAccelLastInDeadZoneIsShaking(last, 0.05f, 0.1f, 0.5f), QPointF(1, 0));
    EXPECT_EQ(last, 0.0f);
    EXPECT_EQ(ArrayTouchAccel::isAccelAccelLastInDeadZoneIsShaking(last, 0.6f, 0.1f, 0.5f), QPointF(0, 1));
    EXPECT_EQ(ArrayTouchAccel::isAccelAccelLastInDeadZoneIsShaking(last, 0.8f, 0.1f, 0.5f), QPointF(0, 0));
    EXPECT_EQ(ArrayTouchAccel::isAccelAccelLastInDeadZoneIsShaking(last, std::nanf(""), 0.1f, 0.5f), QPointF(0, 0));
    EXPECT_EQ(last, 0.8f);
    // The three axes keep their own last readings: X and Y move, Z stays.
    a->isAxAyAzInDeadZoneIsShaking(0, 0, 0, 0.1f, 0.5f);
    EXPECT_EQ(a->isAxAyAzInDeadZoneIsShaking(0.7f, 0.2f, 0.05f, 0.1f, 0.5f), QPointF(1, 1));
    EXPECT_EQ(a->isAccelXInDeadZoneIsShaking(0.72f, 0.1f, 0.5f), QPointF(1, 0));
    EXPECT_EQ(a->isAccelZInDeadZoneIsShaking(0.6f, 0.1f, 0.5f), QPointF(0, 1));
}

// ---- Line-array reader ----

TEST_F(ArrayTouchAccelTest, commentAndEmptyLinesAreSkipped)
{
    ASSERT_TRUE(load(QStringLiteral("quiz"), "// heading\n\nalpha\tbeta\ng"));
    EXPECT_EQ(a->totalNumLines(), 4);
    EXPECT_EQ(a->totalNumItemLines(), 2);
    EXPECT_EQ(a->lastLineNum(), 3);
    a->getItemNum(99); // the argument is not consulted
    EXPECT_EQ(a->oneLineArray(), QStringList({QStringLiteral("alpha"), QStringLiteral("beta")}));
    a->getNextItem();
    EXPECT_EQ(a->currentLine(), QStringLiteral("g"));
    a->getNextItem();
    a->getPrevItem();
    a->getPrevItem();
    EXPECT_EQ(a->currentItem(), 0);

    // Carriage returns and lines of a single slash are kept.
    ASSERT_TRUE(load(QStringLiteral("crlf"), "one\r\n/\n//\n/x\t\n"));
    EXPECT_EQ(a->array().mid(2), QStringList({QStringLiteral("one\r"), QStringLiteral("/"), QStringLiteral("/x\t")}));
    // A second load appended its items; the counts are the new resource's.
    EXPECT_EQ(a->totalNumItemLines(), 3);
    a->getItemNum(0);
    EXPECT_EQ(a->currentLine(), QStringLiteral("alpha\tbeta"));

    // A missing resource leaves everything empty.
    EXPECT_FALSE(a->loadArrayFromFileNameWithFileExt(QStringLiteral("absent"), QStringLiteral("txt")));
    EXPECT_TRUE(a->linesArray().isEmpty());
    EXPECT_EQ(a->totalNumItemLines(), 0);
}

TEST_F(ArrayTouchAccelTest, steppingStaysInsideTheItems)
{
    ASSERT_TRUE(load(QStringLiteral("comments"), "// nothing\n//\n"));
    a->getNextItem();
    EXPECT_EQ(a->currentItem(), 0);
    EXPECT_EQ(a->currentLine(), QString());
    a->getRandomItem();
    a->setCurrentItem(-7);
    a->getItemNum(0);
    EXPECT_EQ(a->numOneLine(), 0);
    a->setCurrentItem(INT_MAX);
    a->getNextItem();
    EXPECT_EQ(a->currentItem(), 0);

    // The random pick never takes the last item.
    a->setArray({});
    ASSERT_TRUE(load(QStringLiteral("three"), "a\nb\nc"));
    bool seen[3] = {};
    for (int k = 0; k < 200; ++k) {
        a->getRandomItem();
        ASSERT_GE(a->currentItem(), 0);
        ASSERT_LT(a->currentItem(), 2);
        seen[a->currentItem()] = true;
    }
    EXPECT_TRUE(seen[0] && seen[1] && !seen[2]);

    // Scratch storage answers 0 outside its 100 slots.
    a->setFieldValueAtPosToValue(99, 7);
    a->setFieldValueAtPosToValue(100, 8);
    EXPECT_EQ(a->getFieldValueAtPos(99), 7u);
    EXPECT_EQ(a->getFieldValueAtPos(100), 0u);
    EXPECT_EQ(a->getFieldValueAtPos(-1), 0u);
}

TEST_F(ArrayTouchAccelTest, shippedSampleIsFoundInTheResourceDirectory)
{
    ASSERT_TRUE(a->loadArrayFromFileNameWithFileExt(QStringLiteral("lineArraySample"), QStringLiteral("txt")));
    EXPECT_EQ(a->totalNumItemLines(), 3);
    a->getItemNum(0);
    EXPECT_EQ(a->numOneLine(), 4);
}

} // namespace
