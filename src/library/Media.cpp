#include "Media.h"

#include "AudioInput.h"
#include "AudioPlayer.h"
#include "Debug.h"
#include "FS.h"
#include "FSWeb.h"
#include "NotificationCenter.h"
#include "Platform.h"
#include "ProcessLog.h"
#include "Resources.h"
#include "SoundData.h"
#include "Strings.h"
#include "Trace.h"

#include <QFile>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <thread>

namespace {

const QString RecordedFile = QStringLiteral("recordedFile.caf");
constexpr qint64 MaxTextBytes = 16 * 1024 * 1024;

// Windows code page 1252 at 0x80 to 0x9F; the five unassigned codes map to themselves.
constexpr char16_t Cp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                     0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString fromCp1252(const QByteArray& bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        text.append(QChar(b >= 0x80 && b < 0xA0 ? Cp1252High[b - 0x80] : char16_t(b)));
    }
    return text;
}

bool isWebAddress(const QUrl& url)
{
    return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

} // namespace

Media::Media()
    : m_debug(Debug::sharedEngineInstance()), m_st(Strings::sharedEngineInstance()), m_fs(FS::sharedEngineInstance())
{
}

Media::~Media() = default;

void Media::greet()
{
    processLog(QStringLiteral("hello from Media"));
}

// ---- Paths and text ----

QUrl Media::getPathFileType(const QString& name, int fileType)
{
    switch (fileType) {
    case 0:
        return getPathToBundle(name);
    case 1:
        return getPathToFile(name);
    case 2:
        return getPathToUrl(name);
    default:
        TRACE("Velbor: DON'T KNOW:%d", fileType);
        return {};
    }
}

QUrl Media::getPathToBundle(const QString& name)
{
    if (name.isEmpty() || name.contains(QLatin1String("..")) || name.contains(u'/')) {
        TRACE("refused resource name \"%@\"", name);
        return {};
    }
    return QUrl::fromLocalFile(QStringLiteral("%1/%2").arg(resourceDirectory(), name));
}

QUrl Media::getPathToFile(const QString& name)
{
    if (name.isEmpty() || name.contains(QLatin1String("..")) || name.contains(u'/')) {
        TRACE("refused document name \"%@\"", name);
        return {};
    }
    const QString dir = m_fs->getDocumentDir();
    if (dir.isEmpty()) {
        return {};
    }
    return QUrl::fromLocalFile(QStringLiteral("%1/%2").arg(dir, name));
}

QUrl Media::getPathToUrl(const QString& name)
{
    return QUrl(name);
}

std::optional<QString> Media::loadWord97TxtFileType(const QString& name, int fileType)
{
    const QUrl url = getPathFileType(name, fileType);
    QByteArray bytes;
    if (url.isLocalFile()) {
        QFile file(url.toLocalFile());
        if (!file.open(QIODevice::ReadOnly) || file.size() > MaxTextBytes) {
            return std::nullopt;
        }
        bytes = file.readAll();
    } else if (isWebAddress(url)) {
        fs_web::FetchedBytes fetched = fs_web::fetch(url.toString(), MaxTextBytes);
        if (!fetched.body) {
            TRACE("%@: %@", url.toString(), fetched.error.value_or(QString()));
            return std::nullopt;
        }
        bytes = std::move(*fetched.body);
    } else {
        return std::nullopt;
    }
    return fromCp1252(bytes);
}

// ---- Players ----

AudioPlayer* Media::newPlayer(const QUrl& url)
{
    auto* player = new AudioPlayer(this);
    player->setOutputDevice(m_outputDevice);
    if (url.isLocalFile()) {
        QString error;
        if (std::optional<SoundData> sound = sound_data::decodeFile(url.toLocalFile(), &error)) {
            player->setSound(std::make_shared<const SoundData>(std::move(*sound)));
        } else {
            TRACE("cannot play %@: %@", url.toString(), error);
        }
    } else if (isWebAddress(url)) {
        loadFromWeb(player, url);
    } else if (!url.isEmpty()) {
        TRACE("cannot play %@: not a file or web address", url.toString());
    }
    return player;
}

void Media::loadFromWeb(AudioPlayer* player, const QUrl& url)
{
    // The fetch blocks for up to the web reads' time limits: it runs on a thread of its own, and the
    // decoded sound comes back to the main thread. Media lives as long as the process.
    player->setLoading(true);
    QPointer<AudioPlayer> target(player);
    const QString address = url.toString();
    auto deliver = [this, target, address](fs_web::FetchedBytes fetched) {
        QString error = fetched.error.value_or(QString());
        std::optional<SoundData> sound;
        if (fetched.body) {
            sound = sound_data::decodeBytes(*fetched.body, &error);
        }
        QMetaObject::invokeMethod(
            this,
            [target, address, error,
             shared =
                 sound ? std::make_shared<const SoundData>(std::move(*sound)) : std::shared_ptr<const SoundData>()] {
                if (!target) {
                    return;
                }
                if (shared) {
                    target->setSound(shared);
                } else {
                    TRACE("cannot play %@: %@", address, error);
                    target->setLoading(false);
                }
            },
            Qt::QueuedConnection);
    };
    std::thread([address, deliver] { deliver(fs_web::fetch(address, MaxWebBytes)); }).detach();
}

void Media::retire(AudioPlayer* player)
{
    if (!player) {
        return;
    }
    // A player still playing finishes on its own (its end no longer moves the queue) and is deleted then.
    if (!player->isPlaying() && !player->isLoading()) {
        player->deleteLater();
    }
}

void Media::reportUnplayable()
{
    // The end of a clip that cannot be played comes at once, so that a sentence skips it.
    QTimer::singleShot(0, this, [this] { objcProcessSnd(); });
}

void Media::ss_addFileFileType(const QString& name, int fileType)
{
    ss_stop();
    const QUrl url = getPathFileType(name, fileType);
    if (url.isEmpty()) {
        return;
    }
    m_ssPlayer = newPlayer(url);
    AudioPlayer* clip = m_ssPlayer;
    connect(clip, &AudioPlayer::didFinishPlaying, this, [this, clip](bool) {
        if (clip == m_ssPlayer) {
            objcProcessSnd();
        } else {
            clip->deleteLater();
        }
    });
}

void Media::ss_play()
{
    if (!m_ssPlayer) {
        return;
    }
    NotificationCenter::defaultCenter().postNotificationName(QStringLiteral("IOSMedia"), QStringLiteral("ipod_enter"));
    if (!m_ssPlayer->play()) {
        TRACE("the clip cannot be played: skipped");
        reportUnplayable();
    }
}

void Media::ss_stop()
{
    if (m_ssPlayer) {
        AudioPlayer* clip = m_ssPlayer;
        m_ssPlayer = nullptr;
        clip->stop();
        clip->deleteLater();
    }
}

void Media::ss_playFileFileType(const QString& name, int fileType)
{
    ss_addFileFileType(name, fileType);
    ss_play();
}

void Media::quick_addFileFileType(const QString& name, int fileType)
{
    quick_stop();
    const QUrl url = getPathFileType(name, fileType);
    if (!url.isEmpty()) {
        m_quickPlayer = newPlayer(url);
    }
}

void Media::quick_play()
{
    if (m_quickPlayer) {
        m_quickPlayer->play();
    }
}

void Media::quick_stop()
{
    if (m_quickPlayer) {
        m_quickPlayer->stop();
        m_quickPlayer->deleteLater();
        m_quickPlayer = nullptr;
    }
}

void Media::quick_playFileFileType(const QString& name, int fileType)
{
    quick_addFileFileType(name, fileType);
    quick_play();
}

void Media::beep()
{
    ss_addFileFileType(QStringLiteral("beep.mp3"), 0);
    ss_play();
}

void Media::setQueuePlayer(AudioPlayer* player)
{
    if (player == m_queuePlayer) {
        return;
    }
    AudioPlayer* old = m_queuePlayer;
    m_queuePlayer = player;
    if (player) {
        player->setParent(this);
    }
    retire(old);
}

AudioPlayer* Media::createAVAudioPlayerWithFileFileType(const QString& name, int fileType)
{
    AudioPlayer* player = newPlayer(getPathFileType(name, fileType));
    player->setRate(m_avPlayerRate);
    player->setVolume(m_avVolume);
    connect(player, &AudioPlayer::didFinishPlaying, this, [this, player](bool successfully) {
        audioPlayerDidFinishPlayingSuccessfully(player, successfully);
        if (player != m_queuePlayer) {
            player->deleteLater();
        }
    });
    return player;
}

void Media::av_playFileFileType(const QString& name, int fileType)
{
    const bool addressed = !getPathFileType(name, fileType).isEmpty();
    setQueuePlayer(createAVAudioPlayerWithFileFileType(name, fileType));
    if (!m_queuePlayer->play() && addressed) {
        TRACE("the file cannot be played: skipped");
        QPointer<AudioPlayer> player(m_queuePlayer);
        QTimer::singleShot(0, this, [this, player] {
            if (player) {
                audioPlayerDidFinishPlayingSuccessfully(player, false);
            }
        });
    }
}

void Media::av_addFileFileType(const QString& name, int fileType)
{
    AudioPlayer* player = createAVAudioPlayerWithFileFileType(name, fileType);
    player->setRate(1.0F);
    setQueuePlayer(player);
}

void Media::av_play()
{
    if (m_queuePlayer) {
        m_queuePlayer->play();
    }
}

void Media::av_pause()
{
    if (m_queuePlayer) {
        m_queuePlayer->pause();
    }
}

void Media::av_stop()
{
    if (m_queuePlayer) {
        m_queuePlayer->stop();
    }
}

void Media::av_setAction(int mode)
{
    TRACE("mode: %d", mode);
    switch (mode) {
    case 3:
        av_play();
        break;
    case 2:
        av_pause();
        break;
    case 1:
        av_stop();
        break;
    default:
        break;
    }
}

void Media::av_setNumOfLoops(int loops)
{
    if (m_queuePlayer) {
        m_queuePlayer->setNumberOfLoops(loops);
        m_queuePlayer->play();
        m_queuePlayer->stop();
        m_queuePlayer->pause();
    }
}

void Media::av_setVolume(float volume)
{
    if (std::isnan(volume)) {
        return;
    }
    // Kept for the players that follow: a sentence plays each word on a new player, and "#volume"
    // is meant for the rest of the sentence.
    m_avVolume = std::clamp(volume, 0.0F, 1.0F);
    if (m_queuePlayer) {
        m_queuePlayer->setVolume(m_avVolume);
    }
}

float Media::av_getChannelposition()
{
    return m_queuePlayer ? float(m_queuePlayer->currentTime()) : 0.0F;
}

void Media::av_setChannelPosition(float seconds)
{
    if (m_queuePlayer) {
        m_queuePlayer->setCurrentTime(double(seconds));
    }
}

float Media::av_getChannelDuration()
{
    return m_queuePlayer ? float(m_queuePlayer->duration()) : 0.0F;
}

void Media::av_setChannelMeteringEnabled(bool on)
{
    if (m_queuePlayer) {
        m_queuePlayer->setMeteringEnabled(on);
    }
}

float Media::av_getChannelVolumeAveragePower(unsigned channel, bool average)
{
    if (!m_queuePlayer) {
        return -160.0F;
    }
    m_queuePlayer->updateMeters();
    return average ? m_queuePlayer->averagePowerForChannel(channel) : m_queuePlayer->peakPowerForChannel(channel);
}

void Media::audioPlayerDidFinishPlayingSuccessfully(AudioPlayer* player, bool)
{
    TRACE(":::::::::::::::::::::::::::::::::");
    if (player && player == m_queuePlayer) {
        objcProcessSnd();
    }
}

void Media::avq_playArray(const QStringList& names)
{
    if (m_a) {
        m_a->stop();
        m_a->deleteLater();
        m_a = nullptr;
    }
    // One player walks the list: each end loads the next file.
    auto sounds = std::make_shared<QList<std::shared_ptr<const SoundData>>>();
    for (const QString& name : names) {
        const QUrl url = getPathToBundle(name);
        QString error;
        std::optional<SoundData> sound =
            url.isLocalFile() ? sound_data::decodeFile(url.toLocalFile(), &error) : std::nullopt;
        if (sound) {
            sounds->append(std::make_shared<const SoundData>(std::move(*sound)));
        } else {
            TRACE("cannot play %@: %@", name, error);
        }
    }
    if (sounds->isEmpty()) {
        return;
    }
    m_a = new AudioPlayer(this);
    m_a->setOutputDevice(m_outputDevice);
    AudioPlayer* player = m_a;
    auto next = std::make_shared<qsizetype>(0);
    connect(player, &AudioPlayer::didFinishPlaying, this, [player, sounds, next](bool) {
        if (++*next < sounds->size()) {
            player->setSound(sounds->at(*next));
            player->play();
        }
    });
    player->setSound(sounds->front());
    player->play();
}

void Media::playFileFileType(const QString& name, int fileType)
{
    if (m_playerType == 0) {
        ss_playFileFileType(name, fileType);
    } else if (m_playerType == 1) {
        av_playFileFileType(name, fileType);
    }
}

void Media::stopPlayer()
{
    if (m_playerType == 1) {
        av_stop();
    } else if (m_playerType == 0) {
        ss_stop();
    }
}

// ---- Recorder ----

void Media::ar_recorderPrepare()
{
    TRACE("AVARrecorderPrepare");
    m_input.reset();
    m_writer.reset();
    m_recorderReady = false;
    QString error;
    const QUrl url = getPathToFile(RecordedFile);
    if (Platform::audioInput()->devices().isEmpty()) {
        error = QStringLiteral("no audio input device");
    } else if (url.isEmpty()) {
        error = QStringLiteral("no documents directory");
    } else {
        auto writer = std::make_unique<SoundFileWriter>();
        if (writer->open(url.toLocalFile(), RecordingRate, 1, &error)) {
            m_writer = std::move(writer);
            m_recorderReady = true;
            return;
        }
    }
    // Without a recorder the process goes on; recording then does nothing.
    TRACE("AVARrecorderPrepare:An error occured while initializing the audio recorder! -- %@", error);
}

void Media::ar_recordStart()
{
    TRACE("AVARrecorderStart");
    if (!m_recorderReady || !m_writer) {
        TRACE("no recorder: nothing is recorded");
        return;
    }
    if (m_input) {
        return;
    }
    QString error;
    m_input = Platform::audioInput()->start(RecordingRate, 1, QString(), &error);
    if (!m_input) {
        TRACE("the audio input cannot be opened: %@", error);
        return;
    }
    SoundFileWriter* writer = m_writer.get();
    connect(m_input.get(), &AudioInputStream::samplesReady, this,
            [writer](const QByteArray& samples) { writer->write(samples); });
}

void Media::ar_recorderStop()
{
    TRACE("AVARrecorderStop");
    if (m_input) {
        m_input->stop();
        m_input.reset();
    }
    if (m_writer) {
        m_writer->close();
    }
}

void Media::ar_recorderPlay()
{
    const QUrl url = getPathToFile(RecordedFile);
    QString error = QStringLiteral("no documents directory");
    std::optional<SoundData> sound = url.isEmpty() ? std::nullopt : sound_data::decodeFile(url.toLocalFile(), &error);
    if (!sound) {
        TRACE("An error occured while initializing the audio recorder! -- %@", error);
        return;
    }
    auto* player = new AudioPlayer(this);
    player->setOutputDevice(m_outputDevice);
    player->setSound(std::make_shared<const SoundData>(std::move(*sound)));
    connect(player, &AudioPlayer::didFinishPlaying, player, &QObject::deleteLater);
    player->play();
}
