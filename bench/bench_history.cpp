// The outage history's figures: opening the history window over 100,000 outages (target under
// 300 ms), and appending one history line to a file of 0, 100,000 and 1,000,000 lines (target under
// 1 ms, flat as the file grows). Each line is written and synced (fdatasync), so the directory's
// disk decides: run it where the history lives, e.g.
//     build/bin/bench_history ~/Documents 2>/dev/null
#include "HistoryData.h"
#include "HistoryWindow.h"
#include "OutageHistory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// A history of `outages` one-minute outages an hour apart, ending now, in one run.
void writeHistory(const QString& path, int outages, qint64 now)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::exit(1);
    }
    const qint64 first = now - qint64(outages) * 3600;
    file.write(HistoryData::headerLine() + "\nstart," + HistoryData::timeText(first - 60) + ",,,\n");
    for (int i = 0; i < outages; ++i) {
        const qint64 began = first + qint64(i) * 3600;
        file.write("down," + HistoryData::timeText(began) + ",,,timeout\nup," + HistoryData::timeText(began + 60) +
                   ',' + HistoryData::timeText(began) + ",60,\n");
    }
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) + QStringLiteral("/bench_history-XXXXXX")
                               : QStringLiteral("bench_history-XXXXXX"));
    const QString path = dir.filePath(QStringLiteral("history.csv"));
    const qint64 now = QDateTime::currentSecsSinceEpoch();

    writeHistory(path, 100000, now);
    OutageHistory history(path);
    std::vector<double> opens;
    for (int i = 0; i < 7; ++i) {
        QElapsedTimer timer;
        timer.start();
        HistoryWindow window(&history);
        window.show();
        QApplication::processEvents();
        opens.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (window.data().outages().size() != 100000) {
            return 1;
        }
    }
    std::printf("open the history window, 100,000 outages: median %.1f ms, worst %.1f ms\n", median(opens),
                *std::max_element(opens.begin(), opens.end()));

    // 200 MB that are not a history (a log of another program): read, skipped, counted.
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            return 1;
        }
        const QByteArray line = "Dec  7 04:20:53 host kernel: [12345.678901] eth0: link is not ready, retrying\n";
        for (qint64 written = 0; written < 200LL * 1024 * 1024; written += line.size()) {
            file.write(line);
        }
    }
    QElapsedTimer foreign;
    foreign.start();
    const HistoryData data = HistoryData::read(path, {}, now);
    std::printf("read 200 MB of another program's lines: %.0f ms, %lld lines skipped\n",
                double(foreign.nsecsElapsed()) / 1e6, data.skippedLines());

    std::printf("%12s %12s %12s\n", "file lines", "median us", "worst us");
    for (const int outages : {0, 50000, 500000}) {
        writeHistory(path, outages, now);
        OutageHistory growing(path);
        growing.begin();
        std::vector<double> micros;
        for (int i = 0; i < 200; ++i) {
            QElapsedTimer timer;
            timer.start();
            i % 2 ? growing.outageEnded() : growing.outageBegan(QStringLiteral("timeout"));
            micros.push_back(double(timer.nsecsElapsed()) / 1e3);
        }
        std::printf("%12d %12.1f %12.1f\n", 2 + 2 * outages, median(micros),
                    *std::max_element(micros.begin(), micros.end()));
    }
    return 0;
}
