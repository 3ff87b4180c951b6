// The settings dictionary (24 entries "gen0".."gen23": texts as strings, checkboxes and the slider as
// integers) written to and read from its XML property-list form, in memory; bench/run-plist.sh sets the
// figures beside Python's plistlib doing the same (bench/plist_python.py). Also the binary form and a
// keyed archive of a large tree (about 200,000 objects each), whose writing must stay linear.
#include "KeyedArchive.h"
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

// dictionaries {name, index, value, flag} with unique texts and numbers: 4 objects each.
QVariantList records(int count)
{
    QVariantList list;
    list.reserve(count);
    for (int i = 0; i < count; ++i) {
        list.append(QVariantMap{{QStringLiteral("name"), QStringLiteral("item %1").arg(i)},
                                {QStringLiteral("index"), qint64(i) * 3 + 1000},
                                {QStringLiteral("value"), i + 0.5},
                                {QStringLiteral("flag"), i % 2 == 0}});
    }
    return list;
}

// 50,000 dictionaries: 200,007 objects in the binary form.
void writeLargeBinary(benchmark::State& state)
{
    const QVariant value = records(50000);
    for (auto _ : state) {
        auto binary = Plist::toBinary(value);
        benchmark::DoNotOptimize(binary);
    }
    state.SetItemsProcessed(state.iterations() * 200007);
}

// 20,000 dictionaries archived: about 200,000 objects in the archive's binary form (each dictionary is
// an object with two arrays of UIDs).
void archiveLarge(benchmark::State& state)
{
    const QVariant value = records(20000);
    for (auto _ : state) {
        auto archive = KeyedArchive::archivedData(value);
        benchmark::DoNotOptimize(archive);
    }
    state.SetItemsProcessed(state.iterations() * 20000);
}

} // namespace

BENCHMARK(writeLargeBinary)->Unit(benchmark::kMillisecond);
BENCHMARK(archiveLarge)->Unit(benchmark::kMillisecond);
BENCHMARK(writeSettingsXml);
BENCHMARK(readSettingsXml);
BENCHMARK(readSettingsBinary);
BENCHMARK_MAIN();
