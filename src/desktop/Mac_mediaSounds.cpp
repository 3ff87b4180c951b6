// System sounds and sound objects of Mac_media: named sounds from the resource directory, played
// through the library's AudioPlayer.

#include "Mac_media.h"

#include "AudioPlayer.h"
#include "ProcessLog.h"
#include "Resources.h"
#include "SoundData.h"
#include "Trace.h"

#include <QFileInfo>

const QStringList& Mac_media::systemSoundNames()
{
    static const QStringList names = {QStringLiteral("Basso"),     QStringLiteral("Blow"),  QStringLiteral("Bottle"),
                                      QStringLiteral("Frog"),      QStringLiteral("Funk"),  QStringLiteral("Glass"),
                                      QStringLiteral("Hero"),      QStringLiteral("Morse"), QStringLiteral("Ping"),
                                      QStringLiteral("Pop"),       QStringLiteral("Purr"),  QStringLiteral("Sosumi"),
                                      QStringLiteral("Submarine"), QStringLiteral("Tink")};
    return names;
}

bool Mac_media::isSystemSnd(const QString& name) const
{
    return systemSoundNames().contains(name);
}

bool Mac_media::playSystemSnd(const QString& name)
{
    if (!isSystemSnd(name)) {
        return false;
    }
    sndPlay(nullptr, name);
    return true;
}

void Mac_media::playSystemSndFromNumber(int number)
{
    if (number < 0 || number >= systemSoundNames().size()) {
        processLog(QStringLiteral("Velbor: DON'T KNOW:%1").arg(number));
        return;
    }
    playSystemSnd(systemSoundNames().at(number));
}

AudioPlayer* Mac_media::soundNamed(const QString& name)
{
    if (AudioPlayer* known = m_sounds.value(name)) {
        return known;
    }
    if (name.isEmpty() || name.contains(u'/') || name.contains(QLatin1String(".."))) {
        return nullptr;
    }
    for (const char* ext : {"wav", "aiff", "caf", "mp3", "flac", "ogg"}) {
        const QString path = resourcePath(name, QString::fromLatin1(ext));
        if (!QFileInfo(path).isFile()) {
            continue;
        }
        QString error;
        std::optional<SoundData> sound = sound_data::decodeFile(path, &error);
        if (!sound) {
            TRACE("cannot play %@: %@", path, error);
            return nullptr;
        }
        auto* player = new AudioPlayer(this);
        player->setSound(std::make_shared<const SoundData>(std::move(*sound)));
        player->setName(name);
        m_sounds.insert(name, player);
        return player;
    }
    return nullptr;
}

void Mac_media::sndPlay(AudioPlayer*, const QString& name)
{
    if (AudioPlayer* sound = soundNamed(name)) {
        // Played again while still sounding: it starts over, so that every call is heard.
        sound->stop();
        sound->setCurrentTime(0.0);
        sound->play();
    }
}

void Mac_media::sndPause(AudioPlayer* snd, bool pause)
{
    if (snd && pause) {
        snd->pause();
    } else if (snd) {
        snd->play();
    }
}

void Mac_media::sndSetLoops(AudioPlayer* snd, bool loops)
{
    if (snd) {
        snd->setNumberOfLoops(loops ? -1 : 0);
    }
}

bool Mac_media::sndIsPlaying(AudioPlayer* snd) const
{
    return snd && snd->isPlaying();
}

void Mac_media::sndSetCurrentTime(AudioPlayer* snd, double seconds)
{
    if (snd) {
        snd->setCurrentTime(seconds);
    }
}

double Mac_media::sndGetCuurentTime(AudioPlayer* snd) const
{
    return snd ? snd->currentTime() : 0.0;
}

void Mac_media::sndSetName(AudioPlayer* snd, const QString& name)
{
    if (!snd) {
        return;
    }
    m_sounds.remove(snd->name());
    snd->setName(name);
    if (!name.isEmpty()) {
        m_sounds.insert(name, snd);
    }
}

QString Mac_media::sndGetName(AudioPlayer* snd) const
{
    return snd ? snd->name() : QString();
}

void Mac_media::sndVolume(AudioPlayer* snd, float volume)
{
    if (snd) {
        snd->setVolume(volume);
    }
}

float Mac_media::sndGetVolume(AudioPlayer* snd) const
{
    return snd ? snd->volume() : 0.0F;
}

void Mac_media::sndSetOutputDevice(AudioPlayer* snd, const QString& deviceId)
{
    if (snd) {
        snd->setOutputDevice(deviceId);
    }
}

QString Mac_media::sndGetOutputDevice(AudioPlayer* snd) const
{
    return snd ? snd->outputDevice() : QString();
}
