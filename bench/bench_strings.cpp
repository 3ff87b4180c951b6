// How many number tests per second the string service answers: the monitor runs one per interval field
// at every check, and the library's callers run it over user texts. The inputs mix the common cases
// (plain integers, blanks before, fractions, exponents) with early and late rejections.
#include "Strings.h"

#include <benchmark/benchmark.h>

#include <QStringList>

namespace {
QStringList mixedInputs()
{
    return {
        QStringLiteral("60"),
        QStringLiteral(" 10"),
        QStringLiteral("-1.5"),
        QStringLiteral("1e3"),
        QStringLiteral("0.25"),
        QStringLiteral("123456789"),
        QStringLiteral(""),
        QStringLiteral("60 "),
        QStringLiteral("6O"),
        QStringLiteral("60s"),
        QStringLiteral("1,5"),
        QStringLiteral("inf"),
        QStringLiteral("\t\n-.5E+10"),
        QStringLiteral("www.debian.org"),
        QStringLiteral("12.34.56"),
        QStringLiteral("1e"),
    };
}

void BM_stringisNumber_mixed(benchmark::State& state)
{
    Strings& strings = *Strings::sharedEngineInstance();
    const QStringList inputs = mixedInputs();
    qsizetype i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(strings.stringisNumber(inputs.at(i)));
        i = (i + 1) % inputs.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_stringisNumber_mixed);

void BM_stringisNumber_interval(benchmark::State& state)
{
    // The monitor's own case: a short interval text that is a number.
    Strings& strings = *Strings::sharedEngineInstance();
    const QString text = QStringLiteral("60");
    for (auto _ : state) {
        benchmark::DoNotOptimize(strings.stringisNumber(text));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_stringisNumber_interval);

void BM_getDateTime(benchmark::State& state)
{
    // One log stamp: a clock reading, a local-time conversion and the formatting.
    Strings& strings = *Strings::sharedEngineInstance();
    for (auto _ : state) {
        benchmark::DoNotOptimize(strings.getDateTime());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_getDateTime);
} // namespace

BENCHMARK_MAIN();
