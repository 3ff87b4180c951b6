// The gesture recogniser: position mapping, the store and its limits, taps, the grid rules over the
// labelled corpus, the ring of recent codes and the sequence search, and randomised streams of bad
// samples.

#include "Gestures.h"
#include "ManualClock.h"
#include "NotificationCenter.h"
#include "SyntheticTouch.h"
#include "Trace.h"

#include <QObject>
#include <QStringList>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>

#include <fcntl.h>
#include <unistd.h>

using namespace synth;
using namespace synth::grid;

namespace {

// Sends a file descriptor (standard output or error) to a temporary file while it lives and hands
// back what was written. gtest reports failures on standard output too, so checks happen after take().
class OutputCapture
{
public:
    explicit OutputCapture(int fd) : m_fd(fd)
    {
        std::fflush(stdout);
        std::fflush(stderr);
        m_saved = ::dup(fd);
        m_file = std::tmpfile();
        ::dup2(::fileno(m_file), fd);
    }
    ~OutputCapture() { take(); }
    OutputCapture(const OutputCapture&) = delete;
    OutputCapture& operator=(const OutputCapture&) = delete;

    QByteArray take()
    {
        if (!m_file) {
            return m_text;
        }
        std::fflush(stdout);
        std::fflush(stderr);
        ::dup2(m_saved, m_fd);
        ::close(m_saved);
        std::rewind(m_file);
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, m_file)) > 0) {
            m_text.append(buffer, qsizetype(n));
        }
        std::fclose(m_file);
        m_file = nullptr;
        return m_text;
    }

private:
    int m_fd;
    int m_saved = -1;
    std::FILE* m_file = nullptr;
    QByteArray m_text;
};

// Trace lines and "GS:" announcements made while it lives.
class Recorder
{
public:
    Recorder() : m_wasForwarding(isTraceForwarding())
    {
        setTraceForwarding(true);
        auto& centre = NotificationCenter::defaultCenter();
        m_traceToken = centre.addObserver(QStringLiteral("Debug"),
                                          [this](const Notification& n) { traces << line(n.object.toString()); });
        m_sequenceToken = centre.addObserver(QStringLiteral("GS:"),
                                             [this](const Notification& n) { sequences << n.object.toString(); });
    }
    ~Recorder()
    {
        NotificationCenter::defaultCenter().removeObserver(m_traceToken);
        NotificationCenter::defaultCenter().removeObserver(m_sequenceToken);
        setTraceForwarding(m_wasForwarding);
    }
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    QStringList traces;
    QStringList sequences;

private:
    static QString line(QString text)
    {
        if (text.endsWith(u'\n')) {
            text.chop(1);
        }
        return text;
    }

    bool m_wasForwarding;
    NotificationCenter::Token m_traceToken = 0;
    NotificationCenter::Token m_sequenceToken = 0;
};

class GesturesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g = Gestures::sharedEngineInstance();
        // Back to the state of a new instance.
        g->setNumActiveFingers(0);
        g->GSinitializeArrays();
        g->GSsetDefaults();
        g->setFingerGesture(0);
        g->setGestureSequence(0);
    }

    // Host-frame point of a point in the recogniser's frame.
    static QPointF host(double x, double y) { return toHost(QPointF(x, y)); }

    void began(double x, double y, int finger = 0) { g->GSBeganTouchEventPosition(finger, host(x, y)); }
    void moved(double x, double y, int finger = 0) { g->GSMovedTouchEventPosition(finger, host(x, y)); }
    void ended(double x, double y, int finger = 0) { g->GSEndedTouchEventPosition(finger, host(x, y)); }

    // Plays a touch with the grid output kept out of the test log.
    int classify(const Touch& touch)
    {
        OutputCapture quiet(STDOUT_FILENO);
        play(*g, clock, touch);
        return g->fingerGesture();
    }

    ManualClock clock;
    Gestures* g = nullptr;
};

// ---- Position mapping ----

struct MappingRow
{
    int orientation;
    bool yUp;
    QPointF expected;
};

class MappingTest : public GesturesTest, public ::testing::WithParamInterface<MappingRow>
{
};

TEST_P(MappingTest, mapsIntoTheSquareFrame)
{
    g->setCS_Cocos2d(GetParam().yUp);
    EXPECT_EQ(g->getOrientationPoint(GetParam().orientation, QPointF(100, 30)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Orientations, MappingTest,
                         ::testing::Values(MappingRow{1, false, {150, 30}}, MappingRow{1, true, {150, 450}},
                                           MappingRow{2, false, {330, 450}}, MappingRow{2, true, {330, 30}},
                                           MappingRow{3, false, {450, 150}}, MappingRow{3, true, {450, 150}},
                                           MappingRow{4, false, {450, 330}}, MappingRow{4, true, {450, 330}},
                                           MappingRow{0, false, {0, 0}}, MappingRow{5, false, {0, 0}}));

TEST_F(GesturesTest, touchOperationsStoreTheMappedPosition)
{
    g->setGSorientation(3);
    g->GSBeganTouchEventPosition(7, QPointF(100, 30));
    EXPECT_EQ(g->eventBeganTouchPosition(), QPointF(450, 150));
    EXPECT_EQ(g->eventBeganTouchNum(), 7);
    EXPECT_EQ(g->fingerXY(0), QPointF(450, 150));
    EXPECT_EQ(g->getFingerBeganPos(0), QPointF(450, 150));
    g->GSEndedTouchEventPosition(7, QPointF(100, 30));
}

// ---- Taps ----

struct TapRow
{
    const char* what;
    double seconds;
    int code;
};

class TapDurationTest : public GesturesTest, public ::testing::WithParamInterface<TapRow>
{
};

TEST_P(TapDurationTest, tapsAreJudgedByDuration)
{
    Recorder recorder;
    began(200, 200);
    clock.advance(GetParam().seconds);
    ended(204, 203);
    EXPECT_EQ(g->fingerGesture(), GetParam().code) << GetParam().what;
    EXPECT_EQ(recorder.traces.contains(QStringLiteral("tap")), GetParam().code == 1);
}

// Times are float32 seconds of the monotonic clock (1000.0 at the test's start): 1000.1 rounds to
// 1000.09998, so a touch of "0.1 s" still counts as under 0.1 s.
INSTANTIATE_TEST_SUITE_P(Durations, TapDurationTest,
                         ::testing::Values(TapRow{"0.05 s", 0.05, 1}, TapRow{"0.1 s in float32", 0.1, 1},
                                           TapRow{"0.11 s", 0.11, 2}, TapRow{"0.5 s", 0.5, 2},
                                           TapRow{"0.99 s", 0.99, 2}, TapRow{"1.0 s", 1.0, 3}, TapRow{"4 s", 4.0, 3}));

TEST_F(GesturesTest, tapSizeLimitIsStrict)
{
    // Host positions, so that the mapped spans are exact: x 100 -> 150 and 116 -> 174.
    // Spans of 24 in x and in y are a tap.
    g->GSBeganTouchEventPosition(0, QPointF(100, 150));
    g->GSMovedTouchEventPosition(0, QPointF(116, 174));
    g->GSEndedTouchEventPosition(0, QPointF(116, 174));
    EXPECT_EQ(g->fingerGesture(), 1);

    // A span of 25 goes to the grid.
    OutputCapture out(STDOUT_FILENO);
    g->GSBeganTouchEventPosition(0, QPointF(100, 150));
    g->GSMovedTouchEventPosition(0, QPointF(100, 175));
    g->GSEndedTouchEventPosition(0, QPointF(100, 175));
    EXPECT_TRUE(out.take().contains("grid analysis:"));
    EXPECT_NE(g->fingerGesture(), 1);
}

TEST_F(GesturesTest, gestureModeOtherThanOneLeavesNonTapsUnknown)
{
    g->GSSetgestureMode(0);
    OutputCapture out(STDOUT_FILENO);
    began(150, 150);
    moved(180, 160);
    ended(180, 160);
    const QByteArray printed = out.take();
    EXPECT_EQ(g->fingerGesture(), -1);
    EXPECT_FALSE(printed.contains("grid analysis:"));
}

// ---- Grid analysis ----

TEST_F(GesturesTest, horizontalStrokeIsWidenedAndPrintsItsGrid)
{
    OutputCapture out(STDOUT_FILENO);
    began(100, 240);
    for (double x = 130; x <= 400; x += 30) {
        moved(x, 242);
    }
    ended(400, 242);
    const QByteArray printed = out.take();
    EXPECT_EQ(g->fingerGesture(), 12);
    EXPECT_EQ(printed, QByteArray("\ngrid analysis:\n0 0 0\n1 2 3\n0 0 0\n\n"));

    OutputCapture quiet(STDOUT_FILENO);
    began(400, 240);
    for (double x = 370; x >= 100; x -= 30) {
        moved(x, 238);
    }
    ended(100, 238);
    quiet.take();
    EXPECT_EQ(g->fingerGesture(), 13);
}

struct BlipRow
{
    const char* what;
    double startX;
    double endX;
    int code;
};

class BlipTest : public GesturesTest, public ::testing::WithParamInterface<BlipRow>
{
};

// A horizontal stroke out to x = 420 and back: 16 when (240 - start x) > end x, else 17.
TEST_P(BlipTest, horizontalBlipDirectionComesFromItsPlace)
{
    const BlipRow row = GetParam();
    OutputCapture quiet(STDOUT_FILENO);
    began(row.startX, 240);
    for (double x = row.startX + 30; x < 420; x += 30) {
        moved(x, 240);
    }
    moved(420, 240);
    for (double x = 390; x > row.endX; x -= 30) {
        moved(x, 240);
    }
    moved(row.endX, 240);
    ended(row.endX, 240);
    quiet.take();
    EXPECT_EQ(g->fingerGesture(), row.code) << row.what;
}

INSTANTIATE_TEST_SUITE_P(Blips, BlipTest,
                         ::testing::Values(BlipRow{"start 48, end 60", 48, 60, 16},
                                           BlipRow{"start 198, end 210", 198, 210, 17},
                                           BlipRow{"240 - start equals the end", 108, 132, 17},
                                           BlipRow{"240 - start just above the end", 108, 130.5, 16}));

TEST_F(GesturesTest, squareGives50AndCrossingTheCentreGivesMinus2)
{
    const Style style = Style().centred(QSizeF(300, 300));
    EXPECT_EQ(classify(stroke({TL, TR, BR, BL, TL}, style)), 50);
    EXPECT_EQ(classify(stroke({TL, TR, BR, BL, TL, C}, style)), -2);
    EXPECT_EQ(g->lastGridOrder()[Gestures::C], 9);
}

TEST_F(GesturesTest, threeFingerTapCountsMovedSamples)
{
    // 9 or 10 frames of tremor for 3 fingers: 27 or 30 moved samples.
    const Style style = Style().centred(QSizeF(200, 200));
    EXPECT_EQ(classify(fingers({{L}, {C}, {R}}, style, 9)), 74);
    EXPECT_EQ(classify(fingers({{L}, {C}, {R}}, style, 10)), -1);
}

TEST_F(GesturesTest, corpusIsClassifiedAsLabelled)
{
    const std::vector<Item> corpus = gestureCorpus();
    ASSERT_GT(corpus.size(), 800u);
    QStringList wrong;
    {
        OutputCapture quiet(STDOUT_FILENO);
        OutputCapture quietTraces(STDERR_FILENO);
        for (const Item& item : corpus) {
            play(*g, clock, item.touch);
            if (g->fingerGesture() != item.code || g->numActiveFingers() != 0) {
                const auto o = g->lastGridOrder();
                wrong << QStringLiteral("%1: expected %2, got %3; grid %4 %5 %6 / %7 %8 %9 / %10 %11 %12")
                             .arg(item.label)
                             .arg(item.code)
                             .arg(g->fingerGesture())
                             .arg(o[0])
                             .arg(o[1])
                             .arg(o[2])
                             .arg(o[3])
                             .arg(o[4])
                             .arg(o[5])
                             .arg(o[6])
                             .arg(o[7])
                             .arg(o[8]);
            }
        }
    }
    EXPECT_TRUE(wrong.isEmpty()) << wrong.size() << " of " << corpus.size() << " misread:\n"
                                 << qPrintable(wrong.join(u'\n'));
}

TEST_F(GesturesTest, everyCorpusCodeHasItsMessage)
{
    for (const Item& item : gestureCorpus()) {
        if (item.code >= 0 && item.code < 80) {
            EXPECT_FALSE(Gestures::gestureMessage(item.code).isEmpty()) << item.code;
        }
    }
    OutputCapture out(STDOUT_FILENO);
    Gestures::DebugGestures(12);
    Gestures::DebugGestures(80);
    Gestures::DebugGestures(0);
    Gestures::DebugGestures(-1);
    EXPECT_EQ(out.take(), QByteArray("gesture: left to right\n\n\ndon't know this gesture\n"));
}

// ---- The store and its limits ----

TEST_F(GesturesTest, samplesWithinResolutionShareOneSlot)
{
    began(150, 100);
    EXPECT_EQ(g->fingerIndex(), 1);
    moved(165, 100); // 15 from the kept sample: borrows slot 1
    EXPECT_EQ(g->fingerIndex(), 1);
    moved(174, 110); // 24 and 10: still within
    EXPECT_EQ(g->fingerIndex(), 1);
    moved(150, 125); // 25 on y: kept
    EXPECT_EQ(g->fingerIndex(), 2);
    EXPECT_EQ(g->numTouchMoved(), 3);
    EXPECT_EQ(g->fingerXY(1), QPointF(150, 125));
    OutputCapture quiet(STDOUT_FILENO);
    ended(150, 125);
}

TEST_F(GesturesTest, fullStoreStartsAgainAndClassifiesWhatFollows)
{
    Recorder recorder;
    OutputCapture quiet(STDOUT_FILENO);
    // 240 kept samples zig-zagging up and down at the left (slots 0 to 239)...
    began(40, 40);
    for (int k = 1; k < Gestures::kStoreCapacity; ++k) {
        moved(40 + (k % 2) * 30, 40 + (k % 2) * 400);
    }
    EXPECT_EQ(g->fingerIndex(), Gestures::kStoreCapacity);
    // ...the next one would take slot 240: the store is emptied instead and the sample dropped.
    moved(100, 300);
    EXPECT_EQ(g->fingerIndex(), 0);
    EXPECT_EQ(recorder.traces.count(QStringLiteral("fingerArrays: Overflow, resetting")), 1);
    // What follows is a line from left to right, and that is all the classification sees.
    for (double x = 100; x <= 400; x += 30) {
        moved(x, 300);
    }
    ended(400, 300);
    quiet.take();
    EXPECT_EQ(g->fingerGesture(), 12);
}

TEST_F(GesturesTest, overflowOnTheFinalLiftIsNotATap)
{
    Recorder recorder;
    OutputCapture quiet(STDOUT_FILENO);
    began(40, 40);
    for (int k = 1; k < Gestures::kStoreCapacity; ++k) {
        moved(40 + (k % 2) * 30, 40 + (k % 2) * 400);
    }
    ended(40, 40);
    quiet.take();
    EXPECT_EQ(recorder.traces.count(QStringLiteral("fingerArrays: Overflow, resetting")), 1);
    EXPECT_EQ(g->fingerGesture(), -1);
    EXPECT_EQ(g->numActiveFingers(), 0);
}

TEST_F(GesturesTest, samplesWithNoFingerDownAreDropped)
{
    g->setFingerGesture(12);
    const int pointer = g->tweenPointer();
    ended(100, 100);
    moved(100, 100);
    EXPECT_EQ(g->numActiveFingers(), 0);
    EXPECT_EQ(g->fingerIndex(), 0);
    EXPECT_EQ(g->numTouchEnded(), 0);
    EXPECT_EQ(g->fingerGesture(), 12);
    EXPECT_EQ(g->tweenPointer(), pointer);
}

TEST_F(GesturesTest, sixthFingerHasNoRecordAndTheTouchGivesMinus1)
{
    OutputCapture quiet(STDOUT_FILENO);
    for (int f = 0; f < 6; ++f) {
        began(60 + 70 * f, 100 + 50 * f, f);
    }
    EXPECT_EQ(g->numActiveFingers(), 6);
    EXPECT_EQ(g->getFingerBeganPos(4), QPointF(340, 300));
    EXPECT_EQ(g->getFingerBeganPos(5), QPointF());
    for (int f = 0; f < 6; ++f) {
        ended(60 + 70 * f, 100 + 50 * f, f);
    }
    quiet.take();
    EXPECT_EQ(g->numActiveFingers(), 0);
    EXPECT_EQ(g->fingerGesture(), -1);
}

TEST_F(GesturesTest, fingersBeyondTwoHandsAreDropped)
{
    for (int f = 0; f < Gestures::kMaxCountedFingers + 3; ++f) {
        began(100 + f, 100, f);
    }
    EXPECT_EQ(g->numActiveFingers(), Gestures::kMaxCountedFingers);
    EXPECT_EQ(g->numTouchBegan(), Gestures::kMaxCountedFingers);
}

TEST_F(GesturesTest, perFingerRecordsRejectSlotsOutsideFive)
{
    for (int slot : {-1, 5, 1000, std::numeric_limits<int>::min()}) {
        EXPECT_EQ(g->getFingerBeganPos(slot), QPointF());
        EXPECT_EQ(g->getFingerEndedPos(slot), QPointF());
        EXPECT_EQ(g->getFingerBeganTime(slot), 0.0f);
        EXPECT_EQ(g->getFingerEndedTime(slot), 0.0f);
    }
}

TEST_F(GesturesTest, watchdogForgetsALostLiftOnItsTenthTick)
{
    Recorder recorder;
    began(100, 100);
    moved(200, 100);
    for (int tick = 1; tick < 10; ++tick) {
        g->GSUpdateWatchdog();
    }
    EXPECT_EQ(g->numActiveFingers(), 1);
    EXPECT_EQ(g->fingerIndex(), 2);
    g->GSUpdateWatchdog();
    EXPECT_EQ(recorder.traces.count(QStringLiteral("ismUpdateWatchdog:timeout, resetting values")), 1);
    EXPECT_EQ(g->fingerIndex(), 0);
    EXPECT_EQ(g->numActiveFingers(), 0);
    // The next touch ends at its own lift again.
    began(100, 100);
    clock.advance(0.02);
    ended(102, 100);
    EXPECT_EQ(g->fingerGesture(), 1);
    EXPECT_EQ(g->numActiveFingers(), 0);
    // Later ticks do not reset again.
    for (int tick = 0; tick < 30; ++tick) {
        g->GSUpdateWatchdog();
    }
    EXPECT_EQ(recorder.traces.count(QStringLiteral("ismUpdateWatchdog:timeout, resetting values")), 1);
}

TEST_F(GesturesTest, classificationIsAnnouncedOncePerTouch)
{
    QObject context;
    int announced = 0;
    int seen = 0;
    QObject::connect(g, &Gestures::gestureAnnounced, &context, [&] {
        ++announced;
        seen = g->fingerGesture();
    });
    began(100, 100, 0);
    began(300, 100, 1);
    ended(100, 100, 0);
    EXPECT_EQ(announced, 0);
    OutputCapture quiet(STDOUT_FILENO);
    ended(300, 100, 1);
    quiet.take();
    EXPECT_EQ(announced, 1);
    EXPECT_EQ(seen, 70);
}

TEST_F(GesturesTest, ismNotificationsAreTraced)
{
    Recorder recorder;
    NotificationCenter::defaultCenter().postNotificationName(QStringLiteral("ISM"), 42);
    EXPECT_EQ(recorder.traces, QStringList({QStringLiteral("string: ISM : 42"), QStringLiteral(" value: 42"),
                                            QStringLiteral(",msg StaticTemplate to Engine:42")}));
}

// ---- Geometry helpers ----

TEST_F(GesturesTest, sameWithinFuzz)
{
    constexpr int kMin = std::numeric_limits<int>::min();
    constexpr int kMax = std::numeric_limits<int>::max();
    EXPECT_TRUE(Gestures::isIntTheSameAsFuzzy(10, 14, 5));
    EXPECT_FALSE(Gestures::isIntTheSameAsFuzzy(10, 15, 5));
    EXPECT_FALSE(Gestures::isIntTheSameAsFuzzy(kMin, kMax, kMax));

    EXPECT_TRUE(Gestures::isFloatTheSameAsFuzzy(1.0f, 1.9f, 1.0f)); // 0.9 truncates to 0
    EXPECT_FALSE(Gestures::isFloatTheSameAsFuzzy(1.0f, 2.0f, 1.0f));
    EXPECT_TRUE(Gestures::isFloatTheSameAsFuzzy(1.0f, 2.5f, 1.5f));
    EXPECT_FALSE(Gestures::isFloatTheSameAsFuzzy(std::nanf(""), 1.0f, 100.0f));
    EXPECT_FALSE(Gestures::isFloatTheSameAsFuzzy(-3e38f, 3e38f, 3e38f));

    EXPECT_TRUE(Gestures::isPointTheSameAsFuzzy({0, 0}, {24.9, -24.9}, {25, 25}));
    EXPECT_FALSE(Gestures::isPointTheSameAsFuzzy({0, 0}, {25, 0}, {25, 25}));
    EXPECT_FALSE(Gestures::isPointTheSameAsFuzzy({0, 0}, {1e300, 0}, {25, 25}));
    EXPECT_FALSE(Gestures::isPointTheSameAsFuzzy({0, std::nan("")}, {0, 0}, {25, 25}));
}

TEST_F(GesturesTest, distancesAnglesAndDifferences)
{
    EXPECT_DOUBLE_EQ(Gestures::getDistanceBetweenTwoPointsAndB({0, 0}, {3, 4}), 5.0);
    EXPECT_DOUBLE_EQ(Gestures::getAngleBetweenPointsAndB({0, 0}, {1, 1}), -45.0);
    EXPECT_DOUBLE_EQ(Gestures::getAngleBetweenPointsAndB({1, 0}, {0, 1}), 45.0);
    EXPECT_DOUBLE_EQ(Gestures::getAngleBetweenPointsAndB({0, 0}, {0, 5}), 90.0);
    EXPECT_DOUBLE_EQ(Gestures::getAngleBetweenPointsAndB({0, 0}, {0, -5}), -90.0);
    EXPECT_DOUBLE_EQ(Gestures::getAngleBetweenPointsAndB({2, 2}, {2, 2}), 0.0);
    EXPECT_EQ(Gestures::getDifferenceBetweenPointsAndB({5, 1}, {2, 4}), QPointF(3, -3));
    EXPECT_EQ(Gestures::getAbsoluteDiffenceBetweenPointsAndB({5, 1}, {2, 4}), QPointF(3, 3));
}

// ---- The ring and gesture sequences ----

struct SequenceStep
{
    Touch touch;
    double gapAfter; // seconds from the lift to the next touch
};

struct SequenceRow
{
    const char* what;
    std::vector<SequenceStep> steps;
    QStringList announced;
};

Touch quickTap()
{
    return hold(C, 0.05, Style().centred(QSizeF(100, 100)));
}
Touch vertical()
{
    return stroke({T, B}, Style().centred(QSizeF(260, 260)));
}
Touch horizontal()
{
    return stroke({L, R}, Style().centred(QSizeF(260, 260)));
}
Touch diagonalDown()
{
    return stroke({TL, BR}, Style().centred(QSizeF(300, 300)));
}
Touch diagonalUp()
{
    return stroke({BL, TR}, Style().centred(QSizeF(300, 300)));
}

std::vector<SequenceStep> taps(int count, double gap)
{
    std::vector<SequenceStep> steps;
    for (int k = 0; k < count; ++k) {
        steps.push_back({quickTap(), gap});
    }
    return steps;
}

class SequenceTest : public GesturesTest, public ::testing::WithParamInterface<SequenceRow>
{
};

TEST_P(SequenceTest, announcesTheSequenceAfterTheInputFallsQuiet)
{
    Recorder recorder;
    Timeline timeline(*g, clock);
    {
        OutputCapture quiet(STDOUT_FILENO);
        OutputCapture quietTraces(STDERR_FILENO);
        for (const SequenceStep& step : GetParam().steps) {
            timeline.play(step.touch);
            timeline.wait(step.gapAfter);
        }
        timeline.wait(2.0);
    }
    EXPECT_EQ(recorder.sequences, GetParam().announced) << GetParam().what;
}

QStringList said(std::initializer_list<const char*> codes)
{
    QStringList list;
    for (const char* code : codes) {
        list << QString::fromUtf8(code);
    }
    return list;
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, SequenceTest,
    ::testing::Values(
        SequenceRow{"a single tap", taps(1, 0), said({"-2"})},
        SequenceRow{"two taps 0.2 s apart", taps(2, 0.2), said({"6"})},
        SequenceRow{"three taps", taps(3, 0.2), said({"7"})}, SequenceRow{"four taps", taps(4, 0.2), said({"8"})},
        SequenceRow{"five taps", taps(5, 0.2), said({"9"})},
        SequenceRow{"six taps still read the first five", taps(6, 0.2), said({"9"})},
        SequenceRow{"cross, down diagonal first", {{diagonalDown(), 0.2}, {diagonalUp(), 0}}, said({"1"})},
        SequenceRow{"cross, up diagonal first", {{diagonalUp(), 0.2}, {diagonalDown(), 0}}, said({"1"})},
        SequenceRow{"plus, vertical first", {{vertical(), 0.2}, {horizontal(), 0}}, said({"2"})},
        SequenceRow{"plus, horizontal first", {{horizontal(), 0.2}, {vertical(), 0}}, said({"2"})},
        SequenceRow{"two horizontal lines", {{horizontal(), 0.2}, {horizontal(), 0}}, said({"3"})},
        SequenceRow{"two vertical lines", {{vertical(), 0.2}, {vertical(), 0}}, said({"4"})},
        SequenceRow{"exclamation mark", {{vertical(), 0.2}, {quickTap(), 0}}, said({"5"})},
        // Near misses.
        SequenceRow{"tap then vertical line", {{quickTap(), 0.2}, {vertical(), 0}}, said({"-1"})},
        SequenceRow{"two down diagonals", {{diagonalDown(), 0.2}, {diagonalDown(), 0}}, said({"-1"})},
        SequenceRow{
            "three horizontal lines", {{horizontal(), 0.2}, {horizontal(), 0.2}, {horizontal(), 0}}, said({"-1"})},
        SequenceRow{"vertical then long tap",
                    {{vertical(), 0.2}, {hold(C, 0.4, Style().centred(QSizeF(100, 100))), 0}},
                    said({"-1"})},
        SequenceRow{"two taps with a pause longer than the quiet spell", taps(2, 0.5), said({"-2", "-2"})},
        SequenceRow{"two taps and a third after a pause",
                    {{quickTap(), 0.2}, {quickTap(), 0.6}, {quickTap(), 0}},
                    said({"6", "-2"})}));

TEST_F(GesturesTest, noSearchBeforeTheFirstTouch)
{
    Recorder recorder;
    Timeline timeline(*g, clock);
    timeline.wait(5.0);
    EXPECT_TRUE(recorder.sequences.isEmpty());
    EXPECT_GE(g->seqTimerWatchdog(), 99);
}

TEST_F(GesturesTest, disabledSearchResumesWithTheNextTouch)
{
    Recorder recorder;
    Timeline timeline(*g, clock);
    OutputCapture quiet(STDERR_FILENO);
    timeline.play(quickTap());
    g->setGestureSequenceEnabled(false);
    timeline.wait(0.9);
    EXPECT_TRUE(recorder.sequences.isEmpty());
    // The next touch enables the search again; its gap of 0.9 s is too long for a sequence.
    timeline.play(quickTap());
    EXPECT_TRUE(g->isGestureSequenceEnabled());
    timeline.wait(1.0);
    EXPECT_EQ(recorder.sequences, said({"-2"}));
    EXPECT_EQ(g->gestureSequence(), -2);
}

TEST_F(GesturesTest, ringRecordsEveryLiftAndTheGapBeforeEachTouch)
{
    OutputCapture quiet(STDOUT_FILENO);
    OutputCapture quietTraces(STDERR_FILENO);
    play(*g, clock, quickTap());
    EXPECT_EQ(g->tweenPointer(), 1);
    EXPECT_EQ(g->getGesture(0), 1);
    clock.advance(0.25);
    // A two-finger touch writes two slots: the first lift records the previous touch's code.
    began(100, 240, 0);
    began(300, 240, 1);
    ended(100, 240, 0);
    ended(300, 240, 1);
    EXPECT_EQ(g->tweenPointer(), 3);
    EXPECT_EQ(g->getGesture(0), 70);
    EXPECT_EQ(g->getGesture(1), 1);
    EXPECT_EQ(g->getGesture(2), 1);
    EXPECT_NEAR(g->tweenTime(1), 0.25, 1e-3);
    EXPECT_EQ(g->getGesture(8), -1);
    EXPECT_EQ(g->getGesture(-1), -1);
    EXPECT_EQ(g->getTweenTime(8), 0.0f);

    g->resetTweens();
    EXPECT_EQ(g->tweenPointer(), 0);
    for (int k = 0; k < Gestures::kRingSize; ++k) {
        EXPECT_EQ(g->tweenTime(k), float(11 * k));
        EXPECT_EQ(g->fingerGestures(k), -1);
    }
}

TEST_F(GesturesTest, averagePeriodComparesTheLatestFiveLiftTimes)
{
    // Eight lifts half a second apart; the pointer is back at slot 0, so the five slots read are
    // 0 (first lift), 7, 6, 5 and 4: the first differs from the next by 3.5 s.
    OutputCapture quietTraces(STDERR_FILENO);
    for (int k = 0; k < 8; ++k) {
        play(*g, clock, quickTap());
        clock.advance(0.45);
    }
    ASSERT_EQ(g->tweenPointer(), 0);
    EXPECT_EQ(g->avgGesturePeriod(4), g->period(0));
    EXPECT_EQ(g->avgGesturePeriod(3), 0.0f);
}

TEST_F(GesturesTest, lineQueriesAndSequenceMessages)
{
    EXPECT_TRUE(Gestures::vtLineQ(10) && Gestures::vtLineQ(11) && !Gestures::vtLineQ(14));
    EXPECT_TRUE(Gestures::hzLineQ(12) && Gestures::hzLineQ(13) && !Gestures::hzLineQ(16));
    EXPECT_TRUE(Gestures::DLLineQ(22) && Gestures::DLLineQ(23) && !Gestures::DLLineQ(26));
    EXPECT_TRUE(Gestures::DRLineQ(20) && Gestures::DRLineQ(21) && !Gestures::DRLineQ(24));
    OutputCapture out(STDOUT_FILENO);
    Gestures::DebugGestureSeq(5);
    Gestures::DebugGestureSeq(0);
    Gestures::DebugGestureSeq(-2);
    EXPECT_EQ(out.take(), QByteArray("GS: exclaimation mark\n\nGS: not a sequence, period too long\n"));
}

// ---- Randomised streams of bad input (run under AddressSanitizer and UndefinedBehaviorSanitizer) ----

TEST_F(GesturesTest, randomStreamsKeepEveryInvariant)
{
    std::mt19937 rng(20261206);
    const double special[] = {std::nan(""),
                              std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity(),
                              1e300,
                              -1e300,
                              3.5e38,
                              -3.5e38,
                              std::numeric_limits<double>::max(),
                              std::numeric_limits<double>::denorm_min(),
                              0.0};
    auto coordinate = [&]() -> double {
        switch (rng() % 8) {
        case 0:
            return special[rng() % std::size(special)];
        case 1:
            return double(int(rng())); // anywhere in 32 bits
        default:
            return double(rng() % 500) - 10;
        }
    };
    QStringList broken;
    {
        OutputCapture quiet(STDOUT_FILENO);
        OutputCapture quietTraces(STDERR_FILENO);
        for (int step = 0; step < 200000; ++step) {
            const int finger = int(rng() % 12) - 1;
            const QPointF p(coordinate(), coordinate());
            switch (rng() % 16) {
            case 0:
            case 1:
            case 2:
                g->GSBeganTouchEventPosition(finger, p);
                break;
            case 3:
            case 4:
            case 5:
                g->GSEndedTouchEventPosition(finger, p);
                break;
            case 6:
                g->processGestureSequence();
                break;
            case 7:
                if (rng() % 8 == 0) {
                    g->GSUpdateWatchdog();
                }
                break;
            case 8:
                g->setGSorientation(int(rng() % 6));
                g->setCS_Cocos2d(rng() % 2);
                break;
            case 9:
                if (rng() % 64 == 0) {
                    g->GSsetVarsGMLTMLGTSEGNPRES(
                        int(rng() % 3), int(rng()), int(rng() % 60) - 5, QPointF(coordinate(), coordinate()),
                        QPointF(coordinate(), coordinate()), QPointF(coordinate(), coordinate()),
                        QPointF(coordinate(), coordinate()));
                } else if (rng() % 16 == 0) {
                    g->GSsetDefaults();
                }
                break;
            case 10:
                clock.advance(double(rng() % 1000) / 1000.0);
                break;
            default:
                g->GSMovedTouchEventPosition(finger, p);
                break;
            }
            const bool ok = g->fingerIndex() >= 0 && g->fingerIndex() <= Gestures::kStoreCapacity &&
                            g->numActiveFingers() >= 0 && g->numActiveFingers() <= Gestures::kMaxCountedFingers &&
                            g->tweenPointer() >= 0 && g->tweenPointer() < Gestures::kRingSize &&
                            (g->fingerGesture() <= 3 || !Gestures::gestureMessage(g->fingerGesture()).isEmpty() ||
                             (g->fingerGesture() >= 80 && g->fingerGesture() <= 83));
            if (!ok && broken.size() < 10) {
                broken << QStringLiteral("step %1: index %2 fingers %3 pointer %4 code %5")
                              .arg(step)
                              .arg(g->fingerIndex())
                              .arg(g->numActiveFingers())
                              .arg(g->tweenPointer())
                              .arg(g->fingerGesture());
            }
        }
    }
    EXPECT_TRUE(broken.isEmpty()) << qPrintable(broken.join(u'\n'));
    // Whatever came before, a clean touch is read correctly afterwards.
    g->setNumActiveFingers(0);
    g->GSsetDefaults();
    g->GSResetValues();
    EXPECT_EQ(classify(stroke({L, R}, Style().centred(QSizeF(300, 300)))), 12);
}

} // namespace
