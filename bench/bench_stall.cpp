// The longest stall of the monitor's main thread while a resolver never answers: carrowen's controller
// checks a primary host and a host list every second, offscreen, and a 5 ms timer on the main thread
// records the longest gap between two of its firings. Runs only inside private namespaces
// (bench/bench_stall.sh makes them), where the resolver is a stand-in on 127.0.0.1:53 that never answers.
//
//   bench_stall [seconds] [--sync]     default 60 s; --sync asks the probe on the main thread instead
#include "AppDelegate.h"
#include "AppDelegateUi.h"
#include "NetNamespace.h"
#include "Platform.h"
#include "linux/LinuxReachability.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
// The probe as it was: the answer is awaited on the calling thread.
class BlockingProbe : public LinuxReachability
{
public:
    void probe(const QString& host, QObject* context, Answer answer) override
    {
        Reachability::probe(host, context, std::move(answer));
    }
};
} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    const bool blocking = argc > 2 && std::strcmp(argv[2], "--sync") == 0;
    QString error;
    if (!NetNamespace::enterPrivateNetwork(&error) ||
        !NetNamespace::startDnsStandIn(NetNamespace::Dns::Silent, nullptr)) {
        std::fprintf(stderr, "bench_stall: %s (run me through bench/bench_stall.sh)\n", qPrintable(error));
        return 3;
    }
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/.config")));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(home.path()));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setQuitOnLastWindowClosed(false);
    Platform::installBackends(Platform::Backends::Null);
    if (blocking) {
        Platform::setReachability(std::make_shared<BlockingProbe>());
    } else {
        Platform::setReachability(std::make_shared<LinuxReachability>());
    }

    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    delegate.ui().txtUrl->setText(QStringLiteral("carrowen-silent.example"));
    delegate.ui().intSlider->setValue(1);
    delegate.ui().txtUrlList->setPlainText(QStringLiteral("silent-a.example\nsilent-b.example"));
    delegate.ui().txtUrlsInterval->setText(QStringLiteral("1"));
    delegate.ui().checkUrlsEnabled->setChecked(true);

    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 longest = 0;
    QTimer beat;
    QObject::connect(&beat, &QTimer::timeout, &app, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    beat.start(5);
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    QApplication::exec();

    const qsizetype announced = delegate.ui().latestView->toPlainText().count(QLatin1Char('\n'));
    std::printf("%s probe, %d s of checks every second with a silent resolver: longest main-thread stall %lld ms "
                "(5 ms timer); %lld lines announced\n",
                blocking ? "blocking" : "asynchronous", seconds, static_cast<long long>(longest),
                static_cast<long long>(announced));
    std::fflush(stdout);
    std::_Exit(0);
}
