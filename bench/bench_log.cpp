// Time to add one entry to log.txt as it grows: the monitor's logChange() on a log of 0, 1, 10 and
// 50 MB, in a temporary HOME. Prints the median and the worst of 200 entries for each size.
#include "AppDelegate.h"
#include "Platform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    QApplication app(argc, argv);
    Platform::installBackends(Platform::Backends::Null);

    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    const QString log = home.path() + QStringLiteral("/Documents/com.velbor.Carrowen/log.txt");
    const QByteArray line = "2026:12:5-09:05:03-Host www.kernel.org is not reachable\n";

    std::printf("%10s %12s %12s\n", "log size", "median us", "worst us");
    for (const qint64 megabytes : {0, 1, 10, 50}) {
        QFile file(log);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            return 1;
        }
        for (qint64 written = 0; written < megabytes * 1024 * 1024; written += line.size()) {
            file.write(line);
        }
        file.close();
        std::vector<double> micros;
        for (int i = 0; i < 200; ++i) {
            QElapsedTimer timer;
            timer.start();
            delegate.logChange(QStringLiteral("Internet connection lost"));
            micros.push_back(double(timer.nsecsElapsed()) / 1000.0);
        }
        std::sort(micros.begin(), micros.end());
        std::printf("%7lld MB %12.1f %12.1f\n", static_cast<long long>(megabytes), micros[micros.size() / 2],
                    micros.back());
    }
    return 0;
}
