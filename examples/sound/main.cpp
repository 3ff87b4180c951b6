// A tour of the sound services: speaks today's date and the time from the recorded words, plays each
// system sound once, then records two seconds from the default input and plays them back.
// Run it from a desktop session (or inside tools/with-session.sh): carrowen_sound_demo
#include "AudioPlayer.h"
#include "Mac_media.h"
#include "Media.h"
#include "NotificationCenter.h"
#include "Platform.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>

#include <cstdio>
#include <functional>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Platform::installBackends(Platform::Backends::Linux);
    Media* media = Media::sharedEngineInstance();
    Mac_media* mac = Mac_media::sharedEngineInstance();
    media->setUkEnglish(true);

    // Each step runs when the one before has ended: sentences end with "IOSMedia"/"ipod_exit".
    QList<std::function<void()>> steps;
    auto next = [&steps] {
        if (!steps.isEmpty()) {
            steps.takeFirst()();
        }
    };
    NotificationCenter::defaultCenter().addObserver(QStringLiteral("IOSMedia"), [&](const Notification& n) {
        if (n.object.toString() == QLatin1String("ipod_exit")) {
            QTimer::singleShot(300, &app, next);
        }
    });

    const QDateTime now = QDateTime::currentDateTime();
    steps << [&] {
        std::puts("Today's date...");
        media->say_fullDateWithYearsMonthDayOfMonthDayOfWeek(now.date().year(), now.date().month(), now.date().day(),
                                                             now.date().dayOfWeek());
    };
    steps << [&] {
        std::puts("...and the time.");
        media->say_analogTimeHrsAndMins(now.time().hour() % 12 == 0 ? 12 : now.time().hour() % 12, now.time().minute());
    };
    steps << [&] {
        int delay = 0;
        for (const QString& name : Mac_media::systemSoundNames()) {
            QTimer::singleShot(delay, &app, [mac, name] {
                std::printf("System sound %s\n", qPrintable(name));
                mac->playSystemSnd(name);
            });
            delay += int(mac->soundNamed(name)->duration() * 1000) + 250;
        }
        QTimer::singleShot(delay, &app, next);
    };
    steps << [&] {
        std::puts("Recording two seconds from the default input...");
        media->ar_recorderPrepare();
        media->ar_recordStart();
        QTimer::singleShot(2000, &app, [&] {
            media->ar_recorderStop();
            std::puts("...and playing them back.");
            media->ar_recorderPlay();
            QTimer::singleShot(2500, &app, &QCoreApplication::quit);
        });
    };
    QTimer::singleShot(0, &app, next);
    return app.exec();
}
