// The gesture recogniser's figures: the time to classify one completed touch of 60 samples, and the
// touch samples it accepts per second.
//
// The recogniser writes its grid to standard output at every classification; standard output goes to
// /dev/null while the benchmarks run, and the report is written to standard error instead.

#include "Gestures.h"

#include <QPointF>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <iostream>
#include <vector>

namespace {

// A one-finger "L normal" of 60 samples: 30 down the left side, 30 along the bottom. Each sample is 26
// points from the last in y, or 20 in the host frame's x (30 in the recogniser's), so every one is
// kept (the recogniser does not clip positions to the screen).
std::vector<QPointF> lStroke()
{
    std::vector<QPointF> points;
    for (int k = 0; k < 30; ++k) {
        points.emplace_back(20, 20 + 26 * k);
    }
    for (int k = 0; k < 30; ++k) {
        points.emplace_back(20 + 20 * (k + 1), 20 + 26 * 29);
    }
    return points;
}

void fillWithoutLift(Gestures& g, const std::vector<QPointF>& points)
{
    g.GSBeganTouchEventPosition(0, points.front());
    for (size_t k = 1; k < points.size(); ++k) {
        g.GSMovedTouchEventPosition(0, points[k]);
    }
}

Gestures& fresh()
{
    Gestures& g = *Gestures::sharedEngineInstance();
    g.setNumActiveFingers(0);
    g.GSinitializeArrays();
    g.GSsetDefaults();
    return g;
}

// The classification alone: the store holds the 60 samples of one finger still down (the lift would
// classify and empty it).
void BM_ClassifyTouchOf60Samples(benchmark::State& state)
{
    Gestures& g = fresh();
    fillWithoutLift(g, lStroke());
    if (g.fingerIndex() != 60 || g.analyzeTouches() != 60) {
        state.SkipWithError("the stroke is not stored as 60 samples of an L");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(g.analyzeTouches());
    }
    g.setNumActiveFingers(0);
}
BENCHMARK(BM_ClassifyTouchOf60Samples);

// A whole touch: 60 samples through the touch operations, the last lift classifying it.
void BM_WholeTouchOf60Samples(benchmark::State& state)
{
    Gestures& g = fresh();
    const std::vector<QPointF> points = lStroke();
    for (auto _ : state) {
        fillWithoutLift(g, points);
        g.GSEndedTouchEventPosition(0, points.back());
    }
    if (g.fingerGesture() != 60) {
        state.SkipWithError("the touch was not read as an L");
    }
    state.SetItemsProcessed(state.iterations() * int64_t(points.size()));
}
BENCHMARK(BM_WholeTouchOf60Samples);

// Moved samples alone: one in two far from the last kept sample (kept), the others within the
// resolution of it (they borrow the free slot).
void BM_MovedSamples(benchmark::State& state)
{
    Gestures& g = fresh();
    g.GSBeganTouchEventPosition(0, QPointF(100, 100));
    int k = 0;
    for (auto _ : state) {
        // Up and down by 60, then a small step: the small step borrows the free slot.
        g.GSMovedTouchEventPosition(0, QPointF(100, (k & 2) ? 160 : 100 + (k & 1) * 5));
        if (g.fingerIndex() > 200) {
            g.GSResetValues();
        }
        ++k;
    }
    state.SetItemsProcessed(state.iterations());
    g.setNumActiveFingers(0);
}
BENCHMARK(BM_MovedSamples);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    if (!std::freopen("/dev/null", "w", stdout)) {
        return 1;
    }
    benchmark::ConsoleReporter reporter;
    reporter.SetOutputStream(&std::cerr);
    reporter.SetErrorStream(&std::cerr);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
