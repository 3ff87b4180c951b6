// The settings dictionary (24 entries "gen0".."gen23": texts as strings, checkboxes and the slider as
// integers) written to and read from its XML property-list form, in memory; bench/run-plist.sh sets the
// figures beside Python's plistlib doing the same (bench/plist_python.py).
#include "Plist.h"

#include <benchmark/benchmark.h>

namespace {

QVariantMap settings()
{
    QVariantMap map;
    const QList<int> texts = {0, 1, 2, 3, 8, 9, 10, 14, 15, 16, 17};
    for (int i = 0; i < 24; ++i) {
        const QString key = QStringLiteral("gen%1").arg(i);
        if (texts.contains(i)) {
            map.insert(key, QStringLiteral("Internet connection is up %1").arg(i));
        } else {
            map.insert(key, i == 23 ? 5 : i % 2);
        }
    }
    map.insert(QStringLiteral("gen14"), QStringLiteral("www.kernel.org\nwww.debian.org"));
    return map;
}

void writeSettingsXml(benchmark::State& state)
{
    const QVariant value = settings();
    for (auto _ : state) {
        auto xml = Plist::toXml(value);
        benchmark::DoNotOptimize(xml);
    }
    state.SetItemsProcessed(state.iterations());
}

void readSettingsXml(benchmark::State& state)
{
    const QByteArray xml = *Plist::toXml(settings());
    for (auto _ : state) {
        auto value = Plist::fromData(xml);
        benchmark::DoNotOptimize(value);
    }
    state.SetItemsProcessed(state.iterations());
}

void readSettingsBinary(benchmark::State& state)
{
    const QByteArray binary = *Plist::toBinary(settings());
    for (auto _ : state) {
        auto value = Plist::fromData(binary);
        benchmark::DoNotOptimize(value);
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(writeSettingsXml);
BENCHMARK(readSettingsXml);
BENCHMARK(readSettingsBinary);
BENCHMARK_MAIN();
