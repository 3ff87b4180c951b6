// Listing speed of the file-system service on a directory of 10,000 names: the sorted listing alone,
// and an index answer (which lists and sorts the directory each time).

#include "FS.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int Names = 10000;

// A directory of Names empty files with mixed case, digit runs and hidden names, made once.
QString populatedDir()
{
    static QTemporaryDir dir;
    static bool made = false;
    if (!made) {
        const QString prefixes[] = {QStringLiteral("file"), QStringLiteral("File"), QStringLiteral(".cache"),
                                    QStringLiteral("img_"), QStringLiteral("Report-2026-")};
        for (int i = 0; i < Names; ++i) {
            QFile file(dir.path() + u'/' + prefixes[i % 5] + QString::number(i * 7919 % 100003) +
                       QStringLiteral(".txt"));
            if (!file.open(QIODevice::WriteOnly)) {
                break;
            }
        }
        made = true;
    }
    return dir.path();
}

void BM_listDir10000(benchmark::State& state)
{
    const QString saved = QDir::currentPath();
    FS* fs = FS::sharedEngineInstance();
    fs->changeDir(populatedDir());
    for (auto _ : state) {
        const QStringList names = fs->listDir(QString());
        benchmark::DoNotOptimize(names.size());
    }
    state.SetItemsProcessed(state.iterations() * Names);
    fs->changeDir(saved);
}
BENCHMARK(BM_listDir10000)->Unit(benchmark::kMillisecond);

void BM_doesItemExist10000(benchmark::State& state)
{
    const QString saved = QDir::currentPath();
    FS* fs = FS::sharedEngineInstance();
    fs->changeDir(populatedDir());
    const QString last = fs->listDir(QString()).constLast();
    for (auto _ : state) {
        benchmark::DoNotOptimize(fs->doesItemExist(last));
    }
    fs->changeDir(saved);
}
BENCHMARK(BM_doesItemExist10000)->Unit(benchmark::kMillisecond);

void BM_getItemIndexInCurrentDir10000(benchmark::State& state)
{
    const QString saved = QDir::currentPath();
    FS* fs = FS::sharedEngineInstance();
    fs->changeDir(populatedDir());
    for (auto _ : state) {
        benchmark::DoNotOptimize(fs->getItemIndexInCurrentDir(QStringLiteral("MISSING.TXT")));
    }
    fs->changeDir(saved);
}
BENCHMARK(BM_getItemIndexInCurrentDir10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
