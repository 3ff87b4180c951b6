#include "AudioPlayer.h"

#include "AudioOutput.h"
#include "Platform.h"

#include <QIODevice>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

constexpr float SilenceDb = -160.0F;
constexpr double MeterWindowSeconds = 0.05;
// How long a finished stream is kept to play out what its device still holds.
constexpr int DrainMs = 1000;
// Volume changes closer together than this are applied together.
constexpr int VolumeSettleMs = 40;

// Owner of the streams that play out their last samples until their timer deletes them. Not the
// player: a player may be deleted while the stream that just ended is still emitting its signal.
QObject* drainingStreams()
{
    static QObject* const owner = new QObject;
    return owner;
}

float toDb(double level)
{
    return level > 1e-8 ? std::max(SilenceDb, float(20.0 * std::log10(level))) : SilenceDb;
}

} // namespace

/** The sequential device a stream pulls the player's samples from. */
class PlayerFeed : public QIODevice
{
public:
    explicit PlayerFeed(AudioPlayer* player) : m_player(player) { open(QIODevice::ReadOnly | QIODevice::Unbuffered); }
    bool isSequential() const override { return true; }
    bool atEnd() const override { return !m_player || m_player->renderDone(); }
    qint64 bytesAvailable() const override { return atEnd() ? 0 : 1 << 20; }
    /** Cuts the feed off its player: it then gives nothing. */
    void detach() { m_player = nullptr; }

protected:
    qint64 readData(char* data, qint64 maxBytes) override
    {
        const qint64 bytes = m_player ? m_player->render(data, maxBytes) : 0;
        if (!m_finished && atEnd()) {
            // The last sample is handed over: the stream need not wait for another read to know it.
            m_finished = true;
            emit readChannelFinished();
        }
        return bytes;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    AudioPlayer* m_player;
    bool m_finished = false;
};

AudioPlayer::AudioPlayer(QObject* parent) : QObject(parent) {}

AudioPlayer::~AudioPlayer()
{
    endStream();
}

void AudioPlayer::setSound(std::shared_ptr<const SoundData> sound)
{
    endStream();
    m_playing = false;
    m_loading = false;
    m_sound = std::move(sound);
    m_position = 0.0;
    if (m_playWhenLoaded) {
        m_playWhenLoaded = false;
        if (!play()) {
            emit didFinishPlaying(false);
        }
    }
}

void AudioPlayer::setLoading(bool loading)
{
    m_loading = loading;
    if (!loading && m_playWhenLoaded && !m_sound) {
        m_playWhenLoaded = false;
        emit didFinishPlaying(false);
    }
}

bool AudioPlayer::play()
{
    if (m_loading) {
        m_playWhenLoaded = true;
        return true;
    }
    if (!m_sound || m_sound->frames() == 0) {
        return false;
    }
    if (m_playing) {
        return true;
    }
    if (m_stream) { // paused: carry on where it stopped
        m_stream->resume();
        m_playing = true;
        return true;
    }
    if (m_position >= duration()) {
        m_position = 0.0;
    }
    m_loopsLeft = m_loops;
    startStream();
    return true;
}

void AudioPlayer::pause()
{
    m_playWhenLoaded = false;
    if (m_playing && m_stream) {
        m_stream->suspend();
        m_playing = false;
    }
}

void AudioPlayer::stop()
{
    m_playWhenLoaded = false;
    if (m_stream) {
        m_position = currentTime();
        endStream();
    }
    m_playing = false;
}

double AudioPlayer::currentTime() const
{
    if (!m_stream || !m_sound) {
        return m_position;
    }
    const double length = duration();
    const double at = m_streamStart + double(m_stream->playedUSecs()) / 1e6 * double(m_rate);
    if (length <= 0.0) {
        return 0.0;
    }
    return m_loops != 0 ? std::fmod(at, length) : std::min(at, length);
}

void AudioPlayer::setCurrentTime(double seconds)
{
    if (std::isnan(seconds)) {
        return;
    }
    restartAt(std::clamp(seconds, 0.0, duration()), loopsLeftAsHeard());
}

void AudioPlayer::restartAt(double seconds, int loopsLeft)
{
    m_position = seconds;
    if (m_stream) {
        const bool wasPlaying = m_playing;
        m_loopsLeft = loopsLeft;
        endStream();
        startStream();
        if (!wasPlaying) {
            m_stream->suspend();
            m_playing = false;
        }
    }
}

double AudioPlayer::duration() const
{
    return m_sound ? m_sound->duration() : 0.0;
}

void AudioPlayer::setVolume(float volume)
{
    const float clamped = std::clamp(volume, 0.0F, 1.0F);
    if (std::isnan(volume) || clamped == m_volume) {
        return;
    }
    m_volume = clamped;
    // The device already holds up to a second of samples at the old volume: replay from the place
    // being heard so that the change is heard at once. A slider's burst of changes restarts once.
    if (m_stream && m_audible && !m_volumeRestartPending) {
        m_volumeRestartPending = true;
        QTimer::singleShot(VolumeSettleMs, this, [this] {
            m_volumeRestartPending = false;
            if (m_stream) {
                setCurrentTime(currentTime());
            }
        });
    }
}

void AudioPlayer::setRate(float rate)
{
    if (std::isnan(rate) || rate <= 0.0F) {
        return;
    }
    const float clamped = std::clamp(rate, 0.5F, 2.0F);
    if (clamped == m_rate) {
        return;
    }
    // The position of a running stream is counted at one rate: restart it at the new one.
    const double at = currentTime();
    const int loopsLeft = loopsLeftAsHeard();
    m_rate = clamped;
    if (m_stream) {
        restartAt(at, loopsLeft);
    }
}

void AudioPlayer::setNumberOfLoops(int loops)
{
    m_loops = loops;
    m_loopsLeft = loops;
}

void AudioPlayer::setMeteringEnabled(bool on)
{
    m_metering = on;
    m_peak.clear();
    m_average.clear();
}

void AudioPlayer::updateMeters()
{
    m_peak.clear();
    m_average.clear();
    if (!m_metering || !m_sound || m_sound->frames() == 0) {
        return;
    }
    const int channels = m_sound->channels;
    const qint64 frames = m_sound->frames();
    const qint64 window = std::max<qint64>(1, qint64(MeterWindowSeconds * m_sound->sampleRate));
    const qint64 end = std::clamp<qint64>(qint64(currentTime() * m_sound->sampleRate), window, frames);
    const qint64 begin = std::max<qint64>(0, end - window);
    for (int c = 0; c < channels; ++c) {
        double peak = 0.0;
        double sum = 0.0;
        for (qint64 f = begin; f < end; ++f) {
            const double v = double(m_sound->samples[f * channels + c]) / 32768.0 * double(m_volume);
            peak = std::max(peak, std::abs(v));
            sum += v * v;
        }
        m_peak.append(toDb(peak));
        m_average.append(toDb(std::sqrt(2.0 * sum / double(end - begin))));
    }
}

float AudioPlayer::peakPowerForChannel(unsigned channel) const
{
    return channel < unsigned(m_peak.size()) ? m_peak[qsizetype(channel)] : SilenceDb;
}

float AudioPlayer::averagePowerForChannel(unsigned channel) const
{
    return channel < unsigned(m_average.size()) ? m_average[qsizetype(channel)] : SilenceDb;
}

void AudioPlayer::setOutputDevice(const QString& deviceId)
{
    if (deviceId == m_device) {
        return;
    }
    m_device = deviceId;
    if (m_stream) {
        setCurrentTime(currentTime());
    }
}

int AudioPlayer::loopsLeftAsHeard() const
{
    // The feed runs ahead of what is heard and may already have counted a repeat not yet played.
    const double length = duration();
    if (m_loopsAtStreamStart <= 0 || !m_stream || length <= 0.0) {
        return m_loopsAtStreamStart < 0 ? m_loopsAtStreamStart : m_loopsLeft;
    }
    const double at = m_streamStart + double(m_stream->playedUSecs()) / 1e6 * double(m_rate);
    return std::max(0, m_loopsAtStreamStart - int(at / length));
}

void AudioPlayer::startStream()
{
    m_streamStart = m_position;
    m_loopsAtStreamStart = m_loopsLeft;
    m_feedPos = m_position * m_sound->sampleRate;
    m_feed = std::make_unique<PlayerFeed>(this);
    m_stream = Platform::audioOutput()->start(m_feed.get(), m_sound->sampleRate, m_sound->channels, m_device);
    m_audible = m_stream->isAudible();
    connect(m_stream.get(), &AudioOutputStream::finished, this, &AudioPlayer::onStreamFinished);
    m_playing = true;
}

void AudioPlayer::endStream(bool drain)
{
    // Deleted later: this often runs inside the stream's own finished() signal. A stream that reported
    // its end may still hold its last samples in the device: stopping it would cut them off, so it is
    // left to play them out and deleted a while later.
    PlayerFeed* feed = m_feed.release();
    if (feed) {
        feed->detach();
    }
    if (AudioOutputStream* stream = m_stream.release()) {
        disconnect(stream, nullptr, this, nullptr);
        if (feed) {
            feed->setParent(stream);
            feed = nullptr;
        }
        if (drain) {
            stream->setParent(drainingStreams());
            QTimer::singleShot(DrainMs, stream, &QObject::deleteLater);
        } else {
            stream->stop();
            stream->deleteLater();
        }
    }
    if (feed) {
        feed->deleteLater();
    }
}

void AudioPlayer::onStreamFinished()
{
    endStream(true);
    m_playing = false;
    m_position = 0.0;
    emit didFinishPlaying(true);
}

bool AudioPlayer::renderDone() const
{
    return !m_sound || (m_feedPos >= double(m_sound->frames()) && m_loopsLeft == 0);
}

qint64 AudioPlayer::render(char* data, qint64 maxBytes)
{
    if (!m_sound) {
        return 0;
    }
    const int channels = m_sound->channels;
    const qint64 total = m_sound->frames();
    const qint64 frameBytes = qint64(sizeof(qint16)) * channels;
    auto* out = reinterpret_cast<qint16*>(data);
    const qint16* in = m_sound->samples.constData();
    const double step = double(m_rate);
    const float gain = m_volume;
    qint64 written = 0;
    const qint64 wanted = maxBytes / frameBytes;
    while (written < wanted) {
        if (m_feedPos >= double(total)) {
            if (m_loopsLeft == 0) {
                break;
            }
            m_feedPos -= double(total);
            if (m_loopsLeft > 0) {
                --m_loopsLeft;
            }
        }
        const qint64 i0 = qint64(m_feedPos);
        const qint64 i1 = std::min(i0 + 1, total - 1);
        const float frac = float(m_feedPos - double(i0));
        for (int c = 0; c < channels; ++c) {
            const float a = in[i0 * channels + c];
            const float b = in[i1 * channels + c];
            const float v = (a + (b - a) * frac) * gain;
            out[written * channels + c] = qint16(std::clamp(v, -32768.0F, 32767.0F));
        }
        ++written;
        m_feedPos += step;
    }
    return written * frameBytes;
}
