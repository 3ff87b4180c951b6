// The gesture recogniser: taps, the grid rules over the labelled corpus, the store and its limits, the ring of recent
// codes and the sequence search. Random and hostile sample streams are the gesture fuzz target's work (run under the
// sanitizers).

#include "Gestures.h"
#include "ManualClock.h"
#include "NotificationCenter.h"
#include "StderrCapture.h"
#include "SyntheticTouch.h"
#include "TraceRecorder.h"

#include <QObject>
#include <QStringList>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

using namespace synth;
using namespace synth::grid;

namespace {

const QString kOverflow = QStringLiteral("fingerArrays: Overflow, resetting");
const QString kWatchdog = QStringLiteral("ismUpdateWatchdog:timeout, resetting values");

// The "GS:" announcements made while it lives.
class SequenceRecorder
{
public:
    SequenceRecorder()
    {
        m_token = NotificationCenter::defaultCenter().addObserver(
            QStringLiteral("GS:"), [this](const Notification& n) { codes << n.object.toString(); });
    }
    ~SequenceRecorder() { NotificationCenter::defaultCenter().removeObserver(m_token); }
    SequenceRecorder(const SequenceRecorder&) = delete;
    SequenceRecorder& operator=(const SequenceRecorder&) = delete;

    QStringList codes;

private:
    NotificationCenter::Token m_token = 0;
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

    // Samples at points of the recogniser's frame.
    void began(double x, double y, int finger = 0) { g->GSBeganTouchEventPosition(finger, toHost({x, y})); }
    void moved(double x, double y, int finger = 0) { g->GSMovedTouchEventPosition(finger, toHost({x, y})); }
    void ended(double x, double y, int finger = 0) { g->GSEndedTouchEventPosition(finger, toHost({x, y})); }

    // Plays a touch with the printed grid kept out of the test log; answers its code.
    int classify(const Touch& touch)
    {
        OutputCapture quiet(STDOUT_FILENO);
        play(*g, clock, touch);
        return g->fingerGesture();
    }

    // A still finger held for seconds, lifted 5 and 3 away from where it went down.
    int tapFor(double seconds)
    {
        began(200, 200);
        clock.advance(seconds);
        ended(204, 203);
        return g->fingerGesture();
    }

    ManualClock clock;
    Gestures* g = nullptr;
};

Touch quickTap()
{
    return hold(C, 0.05, Style().centred(QSizeF(100, 100)));
}

// ---- Taps and the grid ----

TEST_F(GesturesTest, tapsAreJudgedByDurationAndSpan)
{
    TraceRecorder traces;
    // Times are float32 seconds of the monotonic clock, 1000.0 at the start: 1000.1 reads as 1000.09998, so a touch
    // of "0.1 s" from there still counts as under 0.1 s.
    EXPECT_EQ(tapFor(0.1), 1);
    EXPECT_EQ(traces.count(QStringLiteral("tap")), 1);
    EXPECT_EQ(tapFor(0.05), 1);
    EXPECT_EQ(tapFor(0.11), 2);
    EXPECT_EQ(tapFor(0.99), 2);
    EXPECT_EQ(tapFor(1.0), 3);
    EXPECT_EQ(traces.count(QStringLiteral("tap")), 2);

    // Host positions, so that the mapped spans are exact (x 100 -> 150, 116 -> 174): spans of 24 in x and y are a tap,
    // a span of 25 goes to the grid.
    g->GSBeganTouchEventPosition(0, QPointF(100, 150));
    g->GSMovedTouchEventPosition(0, QPointF(116, 174));
    g->GSEndedTouchEventPosition(0, QPointF(116, 174));
    EXPECT_EQ(g->fingerGesture(), 1);
    OutputCapture out(STDOUT_FILENO);
    g->GSBeganTouchEventPosition(0, QPointF(100, 150));
    g->GSMovedTouchEventPosition(0, QPointF(100, 175));
    g->GSEndedTouchEventPosition(0, QPointF(100, 175));
    EXPECT_TRUE(out.take().contains("grid analysis:"));
    EXPECT_NE(g->fingerGesture(), 1);
}

TEST_F(GesturesTest, gridIsPrintedAndOnlyReadInModeOne)
{
    OutputCapture out(STDOUT_FILENO);
    began(100, 240);
    for (double x = 130; x <= 400; x += 30) {
        moved(x, 242);
    }
    ended(400, 242);
    const QByteArray printed = out.take();
    // The flat stroke's box is widened above and below, so it runs along the middle row.
    EXPECT_EQ(g->fingerGesture(), 12);
    EXPECT_EQ(printed, QByteArray("\ngrid analysis:\n0 0 0\n1 2 3\n0 0 0\n\n"));

    g->GSSetgestureMode(0);
    OutputCapture quiet(STDOUT_FILENO);
    began(150, 150);
    moved(180, 160);
    ended(180, 160);
    EXPECT_FALSE(quiet.take().contains("grid analysis:"));
    EXPECT_EQ(g->fingerGesture(), -1);
}

TEST_F(GesturesTest, blipDirectionComesFromWhereItStarts)
{
    // Out along the middle row to x = 420 and back: 16 when (240 - start x) > end x, else 17.
    const auto blip = [this](double startX, double endX) {
        OutputCapture quiet(STDOUT_FILENO);
        began(startX, 240);
        for (double x = startX + 30; x < 420; x += 30) {
            moved(x, 240);
        }
        moved(420, 240);
        for (double x = 390; x > endX; x -= 30) {
            moved(x, 240);
        }
        moved(endX, 240);
        ended(endX, 240);
        return g->fingerGesture();
    };
    EXPECT_EQ(blip(48, 60), 16);
    EXPECT_EQ(blip(198, 210), 17);
    EXPECT_EQ(blip(108, 132), 17); // 240 - start equals the end
    EXPECT_EQ(blip(108, 130.5), 16);
}

TEST_F(GesturesTest, corpusIsClassifiedAsLabelled)
{
    const std::vector<Item> corpus = gestureCorpus();
    ASSERT_GT(corpus.size(), 800u);
    QStringList wrong;
    {
        OutputCapture quiet(STDOUT_FILENO);
        StderrCapture quietTraces;
        for (const Item& item : corpus) {
            play(*g, clock, item.touch);
            if (g->fingerGesture() != item.code || g->numActiveFingers() != 0) {
                QStringList grid;
                for (int visit : g->lastGridOrder()) {
                    grid << QString::number(visit);
                }
                wrong << QStringLiteral("%1: expected %2, got %3; grid %4")
                             .arg(item.label)
                             .arg(item.code)
                             .arg(g->fingerGesture())
                             .arg(grid.join(u' '));
            }
        }
    }
    EXPECT_TRUE(wrong.isEmpty()) << wrong.size() << " of " << corpus.size() << " misread:\n"
                                 << qPrintable(wrong.join(u'\n'));
    // Crossing the centre of a square reaches all nine points.
    EXPECT_EQ(classify(stroke({TL, TR, BR, BL, TL, C}, Style().centred(QSizeF(300, 300)))), -2);
    EXPECT_EQ(g->lastGridOrder()[Gestures::C], 9);
}

TEST_F(GesturesTest, messagesOfCodesAndSequences)
{
    for (const Item& item : gestureCorpus()) {
        if (item.code >= 0 && item.code < 80) {
            EXPECT_FALSE(Gestures::gestureMessage(item.code).isEmpty()) << item.code;
        }
    }
    OutputCapture out(STDOUT_FILENO);
    Gestures::DebugGestures(12);
    Gestures::DebugGestures(80);
    Gestures::DebugGestures(-1);
    Gestures::DebugGestureSeq(5);
    Gestures::DebugGestureSeq(0);
    Gestures::DebugGestureSeq(-2);
    EXPECT_EQ(out.take(), QByteArray("gesture: left to right\n\ndon't know this gesture\n"
                                     "GS: exclaimation mark\n\nGS: not a sequence, period too long\n"));
}

// ---- The store and its limits ----

TEST_F(GesturesTest, samplesWithinResolutionShareOneSlot)
{
    began(150, 100);
    EXPECT_EQ(g->fingerIndex(), 1);
    moved(165, 100); // 15 from the kept sample: borrows slot 1
    moved(174, 110); // 24 and 10: still within
    EXPECT_EQ(g->fingerIndex(), 1);
    moved(150, 125); // 25 on y: kept
    EXPECT_EQ(g->fingerIndex(), 2);
    EXPECT_EQ(g->numTouchMoved(), 3);
    EXPECT_EQ(g->fingerXY(1), QPointF(150, 125));
    OutputCapture quiet(STDOUT_FILENO);
    ended(150, 125);
}

TEST_F(GesturesTest, fullStoreStartsAgain)
{
    TraceRecorder traces;
    OutputCapture quiet(STDOUT_FILENO);
    const auto fill = [this] {
        // 240 kept samples zig-zagging up and down at the left (slots 0 to 239).
        began(40, 40);
        for (int k = 1; k < Gestures::StoreCapacity; ++k) {
            moved(40 + (k % 2) * 30, 40 + (k % 2) * 400);
        }
    };
    fill();
    EXPECT_EQ(g->fingerIndex(), Gestures::StoreCapacity);
    // The next sample would take slot 240: the store is emptied instead and the sample dropped, and what follows (a
    // line from left to right) is all the classification sees.
    moved(100, 300);
    EXPECT_EQ(g->fingerIndex(), 0);
    EXPECT_EQ(traces.count(kOverflow), 1);
    for (double x = 100; x <= 400; x += 30) {
        moved(x, 300);
    }
    ended(400, 300);
    EXPECT_EQ(g->fingerGesture(), 12);

    // An overflow on the final lift leaves nothing to judge: -1, not a tap.
    fill();
    ended(40, 40);
    EXPECT_EQ(traces.count(kOverflow), 2);
    EXPECT_EQ(g->fingerGesture(), -1);
    EXPECT_EQ(g->numActiveFingers(), 0);
}

TEST_F(GesturesTest, unbalancedFingersAreDropped)
{
    // A lift or a move with no finger down belongs to no touch.
    g->setFingerGesture(12);
    const int pointer = g->tweenPointer();
    ended(100, 100);
    moved(100, 100);
    EXPECT_EQ(g->numActiveFingers(), 0);
    EXPECT_EQ(g->fingerIndex(), 0);
    EXPECT_EQ(g->fingerGesture(), 12);
    EXPECT_EQ(g->tweenPointer(), pointer);

    // A sixth finger is counted but has no record; the touch then gives -1.
    OutputCapture quiet(STDOUT_FILENO);
    for (int f = 0; f < 6; ++f) {
        began(60 + 70 * f, 100 + 50 * f, f);
    }
    EXPECT_EQ(g->getFingerBeganPos(4), QPointF(340, 300));
    EXPECT_EQ(g->getFingerBeganPos(5), QPointF());
    for (int f = 0; f < 6; ++f) {
        ended(60 + 70 * f, 100 + 50 * f, f);
    }
    EXPECT_EQ(g->numActiveFingers(), 0);
    EXPECT_EQ(g->fingerGesture(), -1);

    // Fingers beyond two hands are not counted at all.
    for (int f = 0; f < Gestures::MaxCountedFingers + 3; ++f) {
        began(100 + f, 100, f);
    }
    EXPECT_EQ(g->numActiveFingers(), Gestures::MaxCountedFingers);
    EXPECT_EQ(g->numTouchBegan(), Gestures::MaxCountedFingers);
}

TEST_F(GesturesTest, watchdogForgetsALostLiftOnItsTenthTick)
{
    TraceRecorder traces;
    began(100, 100);
    moved(200, 100);
    for (int tick = 1; tick < 10; ++tick) {
        g->GSUpdateWatchdog();
    }
    EXPECT_EQ(g->numActiveFingers(), 1);
    g->GSUpdateWatchdog();
    EXPECT_EQ(traces.count(kWatchdog), 1);
    EXPECT_EQ(g->fingerIndex(), 0);
    EXPECT_EQ(g->numActiveFingers(), 0);
    // The next touch ends at its own lift again, and later ticks do not reset again.
    EXPECT_EQ(tapFor(0.02), 1);
    for (int tick = 0; tick < 30; ++tick) {
        g->GSUpdateWatchdog();
    }
    EXPECT_EQ(traces.count(kWatchdog), 1);
}

TEST_F(GesturesTest, classificationIsAnnouncedOncePerTouch)
{
    QObject context;
    QList<int> announced;
    QObject::connect(g, &Gestures::gestureAnnounced, &context, [&] { announced << g->fingerGesture(); });
    began(100, 100, 0);
    began(300, 100, 1);
    ended(100, 100, 0);
    EXPECT_TRUE(announced.isEmpty());
    OutputCapture quiet(STDOUT_FILENO);
    ended(300, 100, 1);
    EXPECT_EQ(announced, QList<int>{70});
}

TEST_F(GesturesTest, ismNotificationsAreTracedWithTheObjectsIntegerValue)
{
    TraceRecorder traces;
    NotificationCenter::defaultCenter().postNotificationName(QStringLiteral("ISM"), QStringLiteral(" 42abc"));
    NotificationCenter::defaultCenter().postNotificationName(QStringLiteral("ISM"), qint64(5000000000));
    EXPECT_EQ(traces.lines(),
              QStringList({QStringLiteral("string: ISM :  42abc\n"), QStringLiteral(" value: 42\n"),
                           QStringLiteral(",msg StaticTemplate to Engine: 42abc\n"),
                           QStringLiteral("string: ISM : 5000000000\n"), QStringLiteral(" value: 2147483647\n"),
                           QStringLiteral(",msg StaticTemplate to Engine:5000000000\n")}));
}

TEST_F(GesturesTest, geometryAnswersForDegenerateInput)
{
    EXPECT_DOUBLE_EQ(Gestures::getAngleBetweenPointsAndB({0, 0}, {0, 5}), 90.0);
    EXPECT_DOUBLE_EQ(Gestures::getAngleBetweenPointsAndB({0, 0}, {0, -5}), -90.0);
    EXPECT_DOUBLE_EQ(Gestures::getAngleBetweenPointsAndB({2, 2}, {2, 2}), 0.0);
    EXPECT_TRUE(Gestures::isFloatTheSameAsFuzzy(1.0f, 1.9f, 1.0f)); // 0.9 truncates to 0
    EXPECT_FALSE(Gestures::isFloatTheSameAsFuzzy(std::nanf(""), 1.0f, 100.0f));
    EXPECT_FALSE(Gestures::isIntTheSameAsFuzzy(INT_MIN, INT_MAX, INT_MAX));
    EXPECT_FALSE(Gestures::isPointTheSameAsFuzzy({0, 0}, {1e300, 0}, {25, 25}));
}

// ---- The ring and gesture sequences ----

TEST_F(GesturesTest, sequencesAreAnnouncedAfterTheInputFallsQuiet)
{
    const Style big = Style().centred(QSizeF(260, 260));
    const Style square = Style().centred(QSizeF(300, 300));
    const Touch vertical = stroke({T, B}, big);
    const Touch horizontal = stroke({L, R}, big);
    const Touch down = stroke({TL, BR}, square);
    const Touch up = stroke({BL, TR}, square);
    const Touch tap = quickTap();
    const Touch longTap = hold(C, 0.4, Style().centred(QSizeF(100, 100)));
    struct Case
    {
        const char* what;
        std::vector<std::pair<Touch, double>> steps; // each touch with the gap after its lift
        QStringList announced;
    };
    const auto taps = [&](int n, double gap) { return std::vector<std::pair<Touch, double>>(size_t(n), {tap, gap}); };
    const Case cases[] = {
        {"one tap", taps(1, 0), {QStringLiteral("-2")}},
        {"two taps", taps(2, 0.2), {QStringLiteral("6")}},
        {"three taps", taps(3, 0.2), {QStringLiteral("7")}},
        {"four taps", taps(4, 0.2), {QStringLiteral("8")}},
        {"six taps read the first five", taps(6, 0.2), {QStringLiteral("9")}},
        {"cross", {{down, 0.2}, {up, 0}}, {QStringLiteral("1")}},
        {"cross, other order", {{up, 0.2}, {down, 0}}, {QStringLiteral("1")}},
        {"plus", {{horizontal, 0.2}, {vertical, 0}}, {QStringLiteral("2")}},
        {"two horizontal lines", {{horizontal, 0.2}, {horizontal, 0}}, {QStringLiteral("3")}},
        {"two vertical lines", {{vertical, 0.2}, {vertical, 0}}, {QStringLiteral("4")}},
        {"exclamation mark", {{vertical, 0.2}, {tap, 0}}, {QStringLiteral("5")}},
        {"tap then line", {{tap, 0.2}, {vertical, 0}}, {QStringLiteral("-1")}},
        {"two down diagonals", {{down, 0.2}, {down, 0}}, {QStringLiteral("-1")}},
        {"line then long tap", {{vertical, 0.2}, {longTap, 0}}, {QStringLiteral("-1")}},
        {"pause longer than the quiet spell", taps(2, 0.5), {QStringLiteral("-2"), QStringLiteral("-2")}},
        {"third tap after a pause", {{tap, 0.2}, {tap, 0.6}, {tap, 0}}, {QStringLiteral("6"), QStringLiteral("-2")}},
    };
    for (const Case& c : cases) {
        SetUp();
        SequenceRecorder sequences;
        Timeline timeline(*g, clock);
        {
            OutputCapture quiet(STDOUT_FILENO);
            StderrCapture quietTraces;
            for (const auto& [touch, gap] : c.steps) {
                timeline.play(touch);
                timeline.wait(gap);
            }
            timeline.wait(2.0);
        }
        EXPECT_EQ(sequences.codes, c.announced) << c.what;
    }
}

TEST_F(GesturesTest, searchWaitsForTheFirstTouchAndResumesWithTheNext)
{
    SequenceRecorder sequences;
    Timeline timeline(*g, clock);
    timeline.wait(5.0);
    EXPECT_TRUE(sequences.codes.isEmpty());

    StderrCapture quiet;
    timeline.play(quickTap());
    g->setGestureSequenceEnabled(false);
    timeline.wait(0.9);
    EXPECT_TRUE(sequences.codes.isEmpty());
    // The next touch enables the search again; its gap of 0.9 s is too long for a sequence.
    timeline.play(quickTap());
    EXPECT_TRUE(g->isGestureSequenceEnabled());
    timeline.wait(1.0);
    EXPECT_EQ(sequences.codes, QStringList{QStringLiteral("-2")});
    EXPECT_EQ(g->gestureSequence(), -2);
}

TEST_F(GesturesTest, ringRecordsEveryLiftAndTheGapBeforeEachTouch)
{
    OutputCapture quiet(STDOUT_FILENO);
    StderrCapture quietTraces;
    play(*g, clock, quickTap());
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
    EXPECT_EQ(g->getTweenTime(-1), 0.0f);

    // Eight lifts half a second apart bring the pointer back to slot 0: the five slots read are 0 (the oldest lift), 7,
    // 6, 5 and 4, and the first differs from the next by 3.5 s.
    g->resetTweens();
    for (int k = 0; k < 8; ++k) {
        play(*g, clock, quickTap());
        clock.advance(0.45);
    }
    ASSERT_EQ(g->tweenPointer(), 0);
    EXPECT_EQ(g->avgGesturePeriod(4), g->period(0));
    EXPECT_EQ(g->avgGesturePeriod(3), 0.0f);
}

} // namespace
