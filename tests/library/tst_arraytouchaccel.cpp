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

    // A swipe from start through the given points, lifted at the last one.
    void swipe(QPointF start, std::initializer_list<QPointF> through)
    {
        a->setGestureStartPoint(start);
        a->processTouchesBegan();
        for (QPointF p : through) {
            a->setCurrentPosition(p);
            a->processTouchesMoved();
            movingCodes.push_back(a->gesture());
        }
        a->processTouchesEnded();
    }

    // Writes resources into a temporary resource directory.
    void resource(const QString& name, const QByteArray& text)
    {
        setResourceDirectory(dir.path());
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    ArrayTouchAccel* a = nullptr;
    std::vector<int> movingCodes;
    QTemporaryDir dir;
};

// ---- Swipes ----

struct SwipeRow
{
    const char* what;
    QPointF to; // from (300, 240)
    int moving;
    int lifted;
};

class SwipeTest : public ArrayTouchAccelTest, public ::testing::WithParamInterface<SwipeRow>
{
};

TEST_P(SwipeTest, directionFromTheMoveBeyondTheLimits)
{
    swipe({300, 240}, {GetParam().to});
    EXPECT_EQ(movingCodes.back(), GetParam().moving) << GetParam().what;
    EXPECT_EQ(a->gesture(), GetParam().lifted) << GetParam().what;
}

// More than 240 points across and more than 160 up or down; y grows downwards.
INSTANTIATE_TEST_SUITE_P(
    Directions, SwipeTest,
    ::testing::Values(SwipeRow{"no move", {300, 240}, 1, 2}, SwipeRow{"241 left, 100 up", {59, 140}, 11, 11},
                      SwipeRow{"241 left, 161 up", {59, 79}, 4, 4}, SwipeRow{"161 up", {300, 79}, 5, 5},
                      SwipeRow{"241 right, 161 up", {541, 79}, 6, 6}, SwipeRow{"241 right", {541, 240}, 7, 7},
                      SwipeRow{"241 right, 161 down", {541, 401}, 8, 8}, SwipeRow{"161 down", {300, 401}, 9, 9},
                      SwipeRow{"241 left, 161 down", {59, 401}, 10, 10}, SwipeRow{"exactly 240 left", {60, 240}, 1, 2},
                      SwipeRow{"240.9 left truncates to 240", {59.1, 240}, 1, 2}));

TEST_F(ArrayTouchAccelTest, touchWithoutMoveIsAReleaseAtDistanceZero)
{
    swipe({100, 100}, {});
    EXPECT_EQ(a->gesture(), 2);
    EXPECT_EQ(a->distanceSwiped(), 0);
    EXPECT_EQ(a->currentPosition(), QPointF(100, 100));
}

TEST_F(ArrayTouchAccelTest, directionFoundWhileMovingStaysUntilTheLift)
{
    // 300 right (7), back to 100 right: keeps 7 while moving; the lift judges the last move only.
    swipe({10, 240}, {{310, 240}, {110, 240}});
    EXPECT_EQ(movingCodes, (std::vector<int>{7, 7}));
    EXPECT_EQ(a->gesture(), 2);
    EXPECT_EQ(a->moveX(), -100);
    EXPECT_EQ(a->distanceSwiped(), 10000);
}

TEST_F(ArrayTouchAccelTest, previousSwipeIsCopiedWhenTheNextBegins)
{
    const int tapped = a->numOfTimesTapped();
    swipe({300, 240}, {{50, 240}});
    EXPECT_EQ(a->lastTouchRecorded(), 1);
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
}

TEST_F(ArrayTouchAccelTest, movedDistanceAgainstItsLimit)
{
    EXPECT_EQ(ArrayTouchAccel::gestureMovedDistMinDist(241, 240), 1);
    EXPECT_EQ(ArrayTouchAccel::gestureMovedDistMinDist(240, 240), 0);
    EXPECT_EQ(ArrayTouchAccel::gestureMovedDistMinDist(-241, 240), -1);
    EXPECT_EQ(ArrayTouchAccel::gestureMovedDistMinDist(INT_MIN, INT_MAX), -1);
    EXPECT_EQ(ArrayTouchAccel::gestureMovedDistMinDist(5, -1), 1);
}

// ---- Hit tests ----

TEST_F(ArrayTouchAccelTest, hitTestsAreStrict)
{
    a->setGestureStartPoint({10, 10});
    EXPECT_TRUE(a->hitAreaXstartXendYStartYEnd(9, 11, 9, 11));
    EXPECT_FALSE(a->hitAreaXstartXendYStartYEnd(10, 11, 9, 11));
    EXPECT_TRUE(a->hitAreaXAYAXBYB(0, 0, 20, 20));
    EXPECT_FALSE(a->hitAreaXAYAXBYB(0, 10, 20, 20));
    EXPECT_TRUE(a->hitWidthHeightXYWidthHeight(5, 5, 6, 6));
    EXPECT_FALSE(a->hitWidthHeightXYWidthHeight(5, 5, 5, 6));
    EXPECT_FALSE(a->hitWidthHeightXYWidthHeight(INT_MAX - 1, 5, INT_MAX, 6));
    EXPECT_TRUE(a->hitWidthHeightXYWidthHeight(5, 5, INT_MAX, INT_MAX)); // no overflow in X + width
    // Size 5: half-size 2, so the square around 12 spans 10 to 14 and 10 itself is on the edge.
    EXPECT_FALSE(a->hitAreaXYSize(12, 10, 5));
    EXPECT_TRUE(a->hitAreaXYSize(11, 10, 5));
    EXPECT_FALSE(a->hitAreaXYSize(10, 10, 1));    // half-size 0
    EXPECT_TRUE(a->hitAreaXYSize(0, 0, INT_MAX)); // no overflow in X + h
    a->clrHitAreaData();
    EXPECT_EQ(a->gestureStartPoint(), QPointF(-1, -1));
}

struct BlockRow
{
    int columns;
    int rows;
    QPointF p;
    bool ok;
    int blockX;
    int blockY;
};

class BlockTest : public ArrayTouchAccelTest, public ::testing::WithParamInterface<BlockRow>
{
};

TEST_P(BlockTest, blockOfAPoint)
{
    const BlockRow row = GetParam();
    EXPECT_EQ(a->getBlockHitHzVtPos(row.columns, row.rows, row.p), row.ok);
    EXPECT_EQ(a->blockX(), row.blockX);
    EXPECT_EQ(a->blockY(), row.blockY);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, BlockTest,
    ::testing::Values(BlockRow{4, 6, {100, 250}, true, 1, 3},
                      BlockRow{3, 7, {319, 479}, true, 3, 7}, // 106- and 68-point blocks
                      BlockRow{320, 480, {5.9, 7.2}, true, 5, 7}, BlockRow{1, 1, {-10, -500}, true, 0, -1},
                      BlockRow{0, 6, {100, 250}, false, -1, -1}, BlockRow{4, 0, {100, 250}, false, -1, -1},
                      BlockRow{321, 6, {100, 250}, false, -1, -1}, BlockRow{4, 481, {100, 250}, false, -1, -1},
                      BlockRow{-4, 6, {100, 250}, false, -1, -1},
                      BlockRow{4, 6, {std::nan(""), 1e300}, true, 0, INT_MAX}));

// ---- Tilt ----

TEST_F(ArrayTouchAccelTest, deadZoneAndShake)
{
    float last = 0;
    EXPECT_EQ(ArrayTouchAccel::isAccelAccelLastInDeadZoneIsShaking(last, 0.05f, 0.1f, 0.5f), QPointF(1, 0));
    EXPECT_EQ(last, 0.0f);
    EXPECT_EQ(ArrayTouchAccel::isAccelAccelLastInDeadZoneIsShaking(last, 0.6f, 0.1f, 0.5f), QPointF(0, 1));
    EXPECT_EQ(last, 0.6f);
    EXPECT_EQ(ArrayTouchAccel::isAccelAccelLastInDeadZoneIsShaking(last, 0.8f, 0.1f, 0.5f), QPointF(0, 0));
    EXPECT_EQ(last, 0.8f);
    EXPECT_EQ(ArrayTouchAccel::isAccelAccelLastInDeadZoneIsShaking(last, std::nanf(""), 0.1f, 0.5f), QPointF(0, 0));
    EXPECT_EQ(last, 0.8f);

    // The three axes keep their own last readings: X and Y move, Z stays.
    a->isAxAyAzInDeadZoneIsShaking(0, 0, 0, 0.1f, 0.5f);
    a->isAxAyAzInDeadZoneIsShaking(0, 0, 0, 0.1f, 0.5f);
    EXPECT_EQ(a->isAxAyAzInDeadZoneIsShaking(0.7f, 0.2f, 0.05f, 0.1f, 0.5f), QPointF(1, 1));
    EXPECT_EQ(a->isAccelXInDeadZoneIsShaking(0.72f, 0.1f, 0.5f), QPointF(1, 0));
    EXPECT_EQ(a->isAccelYInDeadZoneIsShaking(0.21f, 0.1f, 0.5f), QPointF(1, 0));
    EXPECT_EQ(a->isAccelZInDeadZoneIsShaking(0.6f, 0.1f, 0.5f), QPointF(0, 1));
}

// ---- Line-array reader ----

TEST_F(ArrayTouchAccelTest, commentAndEmptyLinesAreSkipped)
{
    resource(QStringLiteral("quiz.txt"), "// heading\n\nalpha\tbeta\ng");
    ASSERT_TRUE(a->loadArrayFromFileNameWithFileExt(QStringLiteral("quiz"), QStringLiteral("txt")));
    EXPECT_EQ(a->totalNumLines(), 4);
    EXPECT_EQ(a->totalNumItemLines(), 2);
    EXPECT_EQ(a->lastLineNum(), 3);
    EXPECT_EQ(a->currentItem(), 0);
    a->getItemNum(99); // the argument is not consulted
    EXPECT_EQ(a->currentLine(), QStringLiteral("alpha\tbeta"));
    EXPECT_EQ(a->oneLineArray(), QStringList({QStringLiteral("alpha"), QStringLiteral("beta")}));
    EXPECT_EQ(a->numOneLine(), 2);
    a->getNextItem();
    EXPECT_EQ(a->currentLine(), QStringLiteral("g"));
    EXPECT_EQ(a->numOneLine(), 1);
    a->getNextItem();
    EXPECT_EQ(a->currentItem(), 1);
    a->getPrevItem();
    a->getPrevItem();
    EXPECT_EQ(a->currentItem(), 0);
}

TEST_F(ArrayTouchAccelTest, linesKeepCarriageReturnsAndSingleSlashes)
{
    resource(QStringLiteral("crlf.txt"), "one\r\n/\n//\n/x\t\n");
    ASSERT_TRUE(a->loadArrayFromFileNameWithFileExt(QStringLiteral("crlf"), QStringLiteral("txt")));
    EXPECT_EQ(a->linesArray(), QStringList({QStringLiteral("one\r"), QStringLiteral("/"), QStringLiteral("//"),
                                            QStringLiteral("/x\t"), QString()}));
    EXPECT_EQ(a->array(), QStringList({QStringLiteral("one\r"), QStringLiteral("/"), QStringLiteral("/x\t")}));
    EXPECT_EQ(a->lastLineNum(), 3);
    a->getNextItem();
    a->getNextItem();
    EXPECT_EQ(a->oneLineArray(), QStringList({QStringLiteral("/x"), QString()}));
}

TEST_F(ArrayTouchAccelTest, secondLoadAppendsItsItems)
{
    resource(QStringLiteral("first.txt"), "a\nb\nc");
    resource(QStringLiteral("second.txt"), "// only one\nz");
    ASSERT_TRUE(a->loadArrayFromFileNameWithFileExt(QStringLiteral("first"), QStringLiteral("txt")));
    a->getNextItem();
    ASSERT_TRUE(a->loadArrayFromFileNameWithFileExt(QStringLiteral("second"), QStringLiteral("txt")));
    EXPECT_EQ(a->array().size(), 4);
    EXPECT_EQ(a->totalNumLines(), 2);
    EXPECT_EQ(a->totalNumItemLines(), 1);
    EXPECT_EQ(a->lastLineNum(), 1);
    EXPECT_EQ(a->currentItem(), 0);
    a->getItemNum(0);
    EXPECT_EQ(a->currentLine(), QStringLiteral("a")); // the first item of the first resource
}

TEST_F(ArrayTouchAccelTest, missingResourceLeavesEverythingEmpty)
{
    resource(QStringLiteral("present.txt"), "x\ny");
    ASSERT_TRUE(a->loadArrayFromFileNameWithFileExt(QStringLiteral("present"), QStringLiteral("txt")));
    EXPECT_FALSE(a->loadArrayFromFileNameWithFileExt(QStringLiteral("absent"), QStringLiteral("txt")));
    EXPECT_TRUE(a->linesArray().isEmpty());
    EXPECT_EQ(a->totalNumLines(), 0);
    EXPECT_EQ(a->totalNumItemLines(), 0);
    EXPECT_EQ(a->lastLineNum(), 0);
    EXPECT_EQ(a->currentItem(), 0);
}

TEST_F(ArrayTouchAccelTest, steppingWithoutItemsLoadsTheEmptyLine)
{
    resource(QStringLiteral("comments.txt"), "// nothing\n//\n");
    ASSERT_TRUE(a->loadArrayFromFileNameWithFileExt(QStringLiteral("comments"), QStringLiteral("txt")));
    EXPECT_EQ(a->totalNumItemLines(), 0);
    a->getNextItem();
    EXPECT_EQ(a->currentItem(), 0);
    EXPECT_EQ(a->currentLine(), QString());
    EXPECT_EQ(a->numOneLine(), 0);
    a->getRandomItem();
    EXPECT_EQ(a->currentItem(), 0);
    a->setCurrentItem(-7);
    a->getItemNum(0);
    EXPECT_EQ(a->numOneLine(), 0);
    a->setCurrentItem(INT_MAX);
    a->getNextItem();
    EXPECT_EQ(a->currentItem(), 0);
}

TEST_F(ArrayTouchAccelTest, randomPickNeverTakesTheLastItem)
{
    resource(QStringLiteral("one.txt"), "only");
    ASSERT_TRUE(a->loadArrayFromFileNameWithFileExt(QStringLiteral("one"), QStringLiteral("txt")));
    a->getRandomItem();
    EXPECT_EQ(a->currentLine(), QStringLiteral("only"));

    a->setArray({});
    resource(QStringLiteral("three.txt"), "a\nb\nc");
    ASSERT_TRUE(a->loadArrayFromFileNameWithFileExt(QStringLiteral("three"), QStringLiteral("txt")));
    bool seen[3] = {};
    for (int k = 0; k < 200; ++k) {
        a->getRandomItem();
        ASSERT_GE(a->currentItem(), 0);
        ASSERT_LT(a->currentItem(), 2);
        seen[a->currentItem()] = true;
    }
    EXPECT_TRUE(seen[0] && seen[1] && !seen[2]);
}

TEST_F(ArrayTouchAccelTest, shippedSampleIsFoundInTheResourceDirectory)
{
    ASSERT_TRUE(a->loadArrayFromFileNameWithFileExt(QStringLiteral("lineArraySample"), QStringLiteral("txt")));
    EXPECT_EQ(a->totalNumItemLines(), 3);
    a->getItemNum(0);
    EXPECT_EQ(a->numOneLine(), 4);
}

// ---- Other ----

TEST_F(ArrayTouchAccelTest, scratchStorageAndGreeting)
{
    a->setFieldValueAtPosToValue(99, 7);
    a->setFieldValueAtPosToValue(100, 8);
    a->setFieldValueAtPosToValue(-1, 9);
    EXPECT_EQ(a->getFieldValueAtPos(99), 7u);
    EXPECT_EQ(a->getFieldValueAtPos(100), 0u);
    EXPECT_EQ(a->getFieldValueAtPos(-1), 0u);
    const double tick = a->tick();
    a->incTick();
    EXPECT_EQ(a->tick(), tick + 1.0);
    EXPECT_EQ(a->greet(), QStringLiteral("Greetings from ArrayTouchAccel"));
}

} // namespace
