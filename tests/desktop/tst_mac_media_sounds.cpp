#include "AudioPlayer.h"
#include "Mac_media.h"
#include "Platform.h"
#include "StderrCapture.h"

#include <QTest>

/** Mac_media's named sounds with no sound server: lookups, the number table and the sound object. */
class TestMacMediaSounds : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Platform::installBackends(Platform::Backends::Null); }

    void namedSounds()
    {
        Mac_media* media = Mac_media::sharedEngineInstance();
        QVERIFY(media->isSystemSnd(QStringLiteral("Ping")));
        QVERIFY(!media->isSystemSnd(QStringLiteral("ping")));
        QVERIFY(!media->playSystemSnd(QStringLiteral("beep")));
        // Every system sound and the beep are files of the resource directory that decode.
        for (const QString& name : Mac_media::systemSoundNames() + QStringList{QStringLiteral("beep")}) {
            AudioPlayer* sound = media->soundNamed(name);
            QVERIFY2(sound && sound->duration() > 0.05 && sound->duration() < 2.0, qPrintable(name));
        }
        QCOMPARE(media->soundNamed(QStringLiteral("../beep")), nullptr);
        QCOMPARE(media->soundNamed(QStringLiteral("nothing")), nullptr);

        AudioPlayer* tink = media->soundNamed(QStringLiteral("Tink"));
        media->playSystemSndFromNumber(13);
        QVERIFY(media->sndIsPlaying(tink));
        QTRY_VERIFY_WITH_TIMEOUT(!media->sndIsPlaying(tink), 2000);
        StderrCapture log;
        media->playSystemSndFromNumber(14);
        media->playSystemSndFromNumber(-1);
        const QByteArray written = log.take();
        QVERIFY(written.contains("Velbor: DON'T KNOW:14"));
        QVERIFY(written.contains("Velbor: DON'T KNOW:-1"));

        // A sound registered under a name plays by that name; no sound object is needed.
        AudioPlayer* glass = media->soundNamed(QStringLiteral("Glass"));
        media->sndSetName(glass, QStringLiteral("mine"));
        QCOMPARE(media->sndGetName(glass), QStringLiteral("mine"));
        media->sndPlay(nullptr, QStringLiteral("mine"));
        QVERIFY(media->sndIsPlaying(glass));
        media->sndPause(glass, true);
        QVERIFY(!media->sndIsPlaying(glass));
        const double at = media->sndGetCuurentTime(glass);
        QTest::qWait(100);
        QCOMPARE(media->sndGetCuurentTime(glass), at);
        media->sndPause(glass, false);
        media->sndSetLoops(glass, true);
        QTest::qWait(1200); // longer than the sound: it loops
        QVERIFY(media->sndIsPlaying(glass));
        media->sndSetLoops(glass, false);
        media->sndVolume(glass, 0.25F);
        QCOMPARE(media->sndGetVolume(glass), 0.25F);
        media->sndSetOutputDevice(glass, QStringLiteral("nowhere"));
        QCOMPARE(media->sndGetOutputDevice(glass), QStringLiteral("nowhere"));
        media->sndPause(glass, true);

        // No sound object: every operation answers and nothing happens.
        media->sndPause(nullptr, false);
        media->sndSetCurrentTime(nullptr, 1.0);
        QVERIFY(!media->sndIsPlaying(nullptr));
        QCOMPARE(media->sndGetName(nullptr), QString());
        QCOMPARE(media->sndGetVolume(nullptr), 0.0F);
    }
};

QTEST_GUILESS_MAIN(TestMacMediaSounds)
#include "tst_mac_media_sounds.moc"
