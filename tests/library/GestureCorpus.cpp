// The labelled corpus of synthetic touches. Each entry names the touch, the code the recogniser's rules
// give for it and, in the comment above it, why: which grid points the path reaches (see the grid in
// SyntheticTouch.h) and which rule they meet first. Every entry is drawn at several sizes, at three
// speeds and with two jitter seeds.

#include "SyntheticTouch.h"

#include <functional>

namespace synth {

namespace {

using namespace grid;

struct Speed
{
    const char* name;
    double step;     // distance between two samples of one finger
    double interval; // seconds between them
};

const Speed kSpeeds[] = {{"slow", 5, 0.016}, {"medium", 10, 0.012}, {"fast", 15, 0.008}};
const unsigned kSeeds[] = {1, 2};

// Lines are long enough not to be widened along their own axis (100) and short enough to fit.
const std::vector<double> kLineSizes = {150, 260, 400};
// Diagonals and shapes keep every stretch of the path at least 50 from the grid points it must miss.
const std::vector<double> kShapeSizes = {250, 330, 420};

using Maker = std::function<Touch(const Style& style, double size)>;

class Corpus
{
public:
    // One entry per size, speed and seed.
    void add(const char* what, int code, const std::vector<double>& sizes, const Maker& make)
    {
        for (double size : sizes) {
            for (const Speed& speed : kSpeeds) {
                for (unsigned seed : kSeeds) {
                    Style style;
                    style.step = speed.step;
                    style.interval = speed.interval;
                    style.seed = seed;
                    const QString label = QStringLiteral("%1 [size %2, %3, seed %4]")
                                              .arg(QString::fromUtf8(what))
                                              .arg(size)
                                              .arg(QString::fromUtf8(speed.name))
                                              .arg(seed);
                    m_items.push_back({label, code, make(style, size)});
                }
            }
        }
    }

    // A one-finger path in a centred square box.
    void addStroke(const char* what, int code, const std::vector<double>& sizes, std::vector<QPointF> path)
    {
        add(what, code, sizes,
            [path](const Style& style, double size) { return stroke(path, style.centred(QSizeF(size, size))); });
    }

    // Several fingers, one path each, in a centred box of width by height from the size.
    void addFingers(const char* what, int code, const std::vector<double>& sizes,
                    std::vector<std::vector<QPointF>> paths, std::function<QSizeF(double)> box, int minFrames = 0)
    {
        add(what, code, sizes, [paths, box, minFrames](const Style& style, double size) {
            return fingers(paths, style.centred(box(size)), minFrames);
        });
    }

    // Fingers held down in a centred square with a few tremor samples.
    void addTap(const char* what, int code, const std::vector<double>& spans, std::vector<std::vector<QPointF>> paths,
                int frames)
    {
        addFingers(
            what, code, spans, std::move(paths), [](double size) { return QSizeF(size, size); }, frames);
    }

    // Out along the path and back to near its start, in a square box with its top-left corner where
    // place() says for the box's size.
    void addBlip(const char* what, int code, const std::vector<double>& sizes, std::vector<QPointF> path,
                 std::function<QPointF(double)> place)
    {
        add(what, code, sizes, [path, place](const Style& style, double size) {
            const QPointF corner = place(size);
            return stroke(path, style.placed(size, corner.x(), corner.y()));
        });
    }

    std::vector<Item> take() { return std::move(m_items); }

private:
    std::vector<Item> m_items;
};

// Nudges a unit-box point by a fraction of the box, for returns that end near (not on) the start.
QPointF nudge(QPointF p, double dx, double dy)
{
    return p + QPointF(dx, dy);
}

} // namespace

std::vector<Item> gestureCorpus()
{
    Corpus c;

    // ---- Taps: every sample within 25 of the others; the duration decides ----
    // Under 0.1 s: 1. From 0.1 s to under 1 s: 2. From 1 s on: 3.
    // The "size" of a hold is its duration.
    const Maker held = [](const Style& s, double t) { return hold(C, t, s.centred(QSizeF(100, 100))); };
    c.add("one finger held still briefly: single tap", 1, {0.03, 0.06, 0.09}, held);
    c.add("one finger held still a while: single long tap", 2, {0.15, 0.5, 0.95}, held);
    c.add("one finger held still a second or more: single press", 3, {1.05, 1.5, 3.0}, held);
    // Two fingers 15 apart span less than 25: still a tap, judged by duration.
    c.addTap("two fingers close together, quickly: single tap", 1, {15}, {{TL}, {BR}}, 3);

    // ---- One-finger lines: only L, C, R (or T, C, B, or a diagonal) reached, start and end apart ----
    // Horizontal: the box is flat, so it is widened by 100 above and below and the line runs along the
    // middle row. L reached first: 12, else 13.
    c.addStroke("line left to right", 12, kLineSizes, {L, R});
    c.addStroke("line right to left", 13, kLineSizes, {R, L});
    // Vertical: T reached first: 11, else 10.
    c.addStroke("line top to bottom", 11, kLineSizes, {T, B});
    c.addStroke("line bottom to top", 10, kLineSizes, {B, T});
    // Only TL, C, BR: TL reached first 22, else 23. Only TR, C, BL: TR reached first 21, else 20.
    c.addStroke("diagonal top left to bottom right", 22, kShapeSizes, {TL, BR});
    c.addStroke("diagonal bottom right to top left", 23, kShapeSizes, {BR, TL});
    c.addStroke("diagonal top right to bottom left", 21, kShapeSizes, {TR, BL});
    c.addStroke("diagonal bottom left to top right", 20, kShapeSizes, {BL, TR});

    // ---- Blips: out along a line and back to within 50 of the start ----
    // Which blip code depends on where the stroke starts in the frame: horizontal 16 when
    // (240 - start x) > end x, else 17; vertical 15 when (240 - start y) > end y, else 14; diagonal
    // TL-BR 26 / 27 and TR-BL 25 / 24 by the same test on y. Each blip below starts near the edge its
    // name says, where the test gives the named direction.
    c.addBlip("blip left to right, starting at the left edge", 16, kLineSizes, {L, R, nudge(L, 0.05, 0)},
              [](double size) { return QPointF(20, 240 - size / 2); });
    c.addBlip("blip right to left, starting at the right edge", 17, kLineSizes, {R, L, nudge(R, -0.05, 0)},
              [](double size) { return QPointF(460 - size, 240 - size / 2); });
    c.addBlip("blip top to bottom, starting at the top edge", 15, kLineSizes, {T, B, nudge(T, 0, 0.05)},
              [](double size) { return QPointF(240 - size / 2, 20); });
    c.addBlip("blip bottom to top, starting at the bottom edge", 14, kLineSizes, {B, T, nudge(B, 0, -0.05)},
              [](double size) { return QPointF(240 - size / 2, 460 - size); });
    c.addBlip("blip top left to bottom right, starting top left", 26, kShapeSizes, {TL, BR, nudge(TL, 0.05, 0.05)},
              [](double) { return QPointF(20, 20); });
    c.addBlip("blip bottom right to top left, starting bottom right", 27, kShapeSizes,
              {BR, TL, nudge(BR, -0.05, -0.05)}, [](double size) { return QPointF(460 - size, 460 - size); });
    c.addBlip("blip top right to bottom left, starting top right", 25, kShapeSizes, {TR, BL, nudge(TR, -0.05, 0.05)},
              [](double size) { return QPointF(460 - size, 20); });
    c.addBlip("blip bottom left to top right, starting bottom left", 24, kShapeSizes, {BL, TR, nudge(BL, 0.05, -0.05)},
              [](double size) { return QPointF(20, 460 - size); });

    // ---- One-finger shapes: the exact set of grid points reached decides ----
    // All eight outer points, C missed: 50.
    c.addStroke("square", 50, kShapeSizes, {TL, TR, BR, BL, TL});
    // Only T, L, R, B: 51.
    c.addStroke("daimond", 51, kShapeSizes, {T, R, B, L, T});
    // Only T, L, R, BL, BR (up the left side to L, over the top to R, down to BR): 52.
    c.addStroke("mountain", 52, kShapeSizes, {BL, L, T, R, BR});
    // Left column, bottom row and R reached, T and C missed: 53.
    c.addStroke("bucket (U)", 53, kShapeSizes, {TL, BL, BR, TR});
    // Top row, left column and R reached, B and C missed (not a bucket: B missed): 54.
    c.addStroke("cap (upside-down U)", 54, kShapeSizes, {BL, TL, TR, BR});
    // Top row, right column and B reached, L and C missed (neither bucket nor cap: L missed): 55.
    c.addStroke("convex (opening left)", 55, kShapeSizes, {TL, TR, BR, BL});
    // Top row, left column and B reached, C and R missed (no earlier rule: R missed): 56.
    c.addStroke("concave (opening right)", 56, kShapeSizes, {TR, TL, BL, BR});
    // Only TL, L, BL, B, BR: 60. Only TR, R, BL, B, BR: 61. Only TL, T, TR, L, BL: 62.
    // Only TL, T, TR, R, BR: 63.
    c.addStroke("L normal", 60, kShapeSizes, {TL, BL, BR});
    c.addStroke("L hz mirror", 61, kShapeSizes, {TR, BR, BL});
    c.addStroke("L vt mirror", 62, kShapeSizes, {BL, TL, TR});
    c.addStroke("L hz/vt mirror", 63, kShapeSizes, {TL, TR, BR});
    // The corner triangles: an L closed by the diagonal through C.
    // Only TL, L, C, BL, B, BR: 80. Only TR, C, R, BL, B, BR: 81. Only TL, T, TR, L, C, BL: 82.
    // Only TL, T, TR, C, R, BR: 83.
    c.addStroke("triangle bottom left", 80, kShapeSizes, {TL, BL, BR, TL});
    c.addStroke("triangle bottom right", 81, kShapeSizes, {TR, BR, BL, TR});
    c.addStroke("triangle top left", 82, kShapeSizes, {TL, TR, BL, TL});
    c.addStroke("triangle top right", 83, kShapeSizes, {TL, TR, BR, TL});
    // Every grid point reached: -2.
    c.addStroke("square crossed through the middle", -2, kShapeSizes, {TL, TR, BR, BL, L, R});
    // Near miss: top row, the diagonal through C, bottom row; L and R missed fits no rule: -1.
    c.addStroke("Z", -1, kShapeSizes, {TL, TR, BL, BR});

    // ---- Two fingers ----
    // Fingers at least 100 apart, so the box is not widened across the pair. Frame by frame the first
    // finger's sample comes before the second's, so the grid points are reached in that order.
    const std::vector<double> kTrackLengths = {200, 300, 400};
    // Side by side moving down: TL 1, TR 2, L 3, R 4, BL 5: TL first and BL 4th or 5th: 31.
    c.addFingers("2 fingers top to bottom", 31, kTrackLengths, {{TL, BL}, {TR, BR}},
                 [](double size) { return QSizeF(130 + size / 10, size); });
    // Moving up: BL 1, BR 2, L 3, R 4, TL 5: BL first and TL 4th or 5th: 30.
    c.addFingers("2 fingers bottom to top", 30, kTrackLengths, {{BL, TL}, {BR, TR}},
                 [](double size) { return QSizeF(130 + size / 10, size); });
    // One above the other moving right: L is never reached (so not vertical tracks); TL 1, BL 2, T 3,
    // B 4, TR 5: TL first and TR 4th or 5th: 32.
    c.addFingers("2 fingers left to right", 32, kTrackLengths, {{TL, TR}, {BL, BR}},
                 [](double size) { return QSizeF(size, 130 + size / 10); });
    // Moving left: TR 1, BR 2, T 3, B 4, TL 5: TR first and TL 4th or 5th: 33.
    c.addFingers("2 fingers right to left", 33, kTrackLengths, {{TR, TL}, {BR, BL}},
                 [](double size) { return QSizeF(size, 130 + size / 10); });

    // Turns: two fingers at opposite corners each move half way along their side.
    const std::vector<double> kTurnLengths = {200, 260, 330};
    // TL down first, BR second; TL moves down to L, BR up to R: TL 1, BR 2, L 3, R 4. Vertical tracks
    // (TL, L, R, BR); neither swipe rule (BL and BR are not 4th or 5th); TL 1 and BR 2: 40.
    c.addFingers("2 fingers VT clockwise, TL first", 40, kTurnLengths, {{TL, L}, {BR, R}},
                 [](double size) { return QSizeF(150, size); });
    // TR down first, BL second; TR moves down to R, BL up to L: TR 1, BL 2, R 3, L 4. Vertical tracks
    // (L, BL, TR, R); TR 1 and BL 2: 40.
    c.addFingers("2 fingers VT clockwise, TR first", 40, kTurnLengths, {{TR, R}, {BL, L}},
                 [](double size) { return QSizeF(150, size); });
    // BR down first, TL second; BR moves up to R, TL down to L: BR 1, TL 2, R 3, L 4; TL 2 and BR 1: 41.
    c.addFingers("2 fingers VT anti-clockwise, BR first", 41, kTurnLengths, {{BR, R}, {TL, L}},
                 [](double size) { return QSizeF(150, size); });
    // The same turn lying on its side: TL moves right to T, BR left to B: TL 1, BR 2, T 3, B 4. L is
    // never reached, so horizontal tracks (TL, T, B, BR); TL 1 and BR 2: 42.
    c.addFingers("2 fingers hz turn, TL first", 42, kTurnLengths, {{TL, T}, {BR, B}},
                 [](double size) { return QSizeF(size, 150); });
    // BR first, then TL: BR 1, TL 2, B 3, T 4; TL 2 and BR 1: 43.
    c.addFingers("2 fingers hz turn, BR first", 43, kTurnLengths, {{BR, B}, {TL, T}},
                 [](double size) { return QSizeF(size, 150); });
    // Near miss: two fingers only 60 apart sliding right. The box is widened by 100 above and below, so
    // both run along the middle row: L, C and R reached, which neither track rule takes: -1.
    c.addFingers("2 fingers close together sliding left to right", -1, kTrackLengths, {{TL, TR}, {BL, BR}},
                 [](double size) { return QSizeF(size, 60); });

    // ---- Multi-finger taps: fingers held down with a few tremor samples ----
    // Only L and R (side by side; the flat box is widened, the fingers lie on its middle row): 70.
    // Only T and B: 71. Only TL and BR: 72. Only TR and BL: 73.
    const std::vector<double> kPairSpans = {120, 180, 260};
    c.addTap("2 finger hz tap", 70, kPairSpans, {{L}, {R}}, 4);
    c.addTap("2 finger vt tap", 71, kPairSpans, {{T}, {B}}, 4);
    c.addTap("2 finger left-diagonal tap", 72, kPairSpans, {{TL}, {BR}}, 4);
    c.addTap("2 finger right-diagonal tap", 73, kPairSpans, {{TR}, {BL}}, 4);
    // Three fingers, fewer than 30 moved samples. Only T, C, B: 75. Only TL, C, BR: 76.
    // Only TR, C, BL: 77. Only L, C, R: 74.
    const std::vector<double> kRowSpans = {130, 200, 300};
    c.addTap("3 finger hz tap", 74, kRowSpans, {{L}, {C}, {R}}, 5);
    c.addTap("3 finger vt tap", 75, kRowSpans, {{T}, {C}, {B}}, 5);
    c.addTap("3 finger left-diagonal tap", 76, kRowSpans, {{TL}, {C}, {BR}}, 5);
    c.addTap("3 finger right-diagonal tap", 77, kRowSpans, {{TR}, {C}, {BL}}, 5);
    // Near miss: the same row held with a tremor of 10 frames, 30 moved samples: -1.
    c.addTap("3 fingers in a row held too long", -1, kRowSpans, {{L}, {C}, {R}}, 10);
    // Four fingers, fewer than 30 moved samples. Only TL, TR, BL, BR: 78. Only T, L, R, B: 79.
    c.addTap("4 finger square tap", 78, kPairSpans, {{TL}, {TR}, {BL}, {BR}}, 5);
    c.addTap("4 finger diamond tap", 79, kRowSpans, {{T}, {L}, {R}, {B}}, 5);
    // Near miss: five fingers: a finger count other than 1 to 4 gives -1.
    c.addTap("5 fingers held down", -1, {200}, {{TL}, {TR}, {C}, {BL}, {BR}}, 3);

    return c.take();
}

} // namespace synth
