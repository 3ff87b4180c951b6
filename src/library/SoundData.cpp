#include "SoundData.h"

#include <QFile>
#include <QFileInfo>

#include <sndfile.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr int MaxChannels = 8;
constexpr sf_count_t ChunkFrames = 8192;

struct Memory
{
    const QByteArray* bytes;
    sf_count_t position = 0;
};

sf_count_t memLength(void* user)
{
    return static_cast<Memory*>(user)->bytes->size();
}

sf_count_t memSeek(sf_count_t offset, int whence, void* user)
{
    auto* m = static_cast<Memory*>(user);
    const sf_count_t base = whence == SEEK_CUR ? m->position : whence == SEEK_END ? m->bytes->size() : 0;
    m->position = std::clamp<sf_count_t>(base + offset, 0, m->bytes->size());
    return m->position;
}

sf_count_t memRead(void* out, sf_count_t count, void* user)
{
    auto* m = static_cast<Memory*>(user);
    const sf_count_t n = std::clamp<sf_count_t>(m->bytes->size() - m->position, 0, std::max<sf_count_t>(count, 0));
    std::memcpy(out, m->bytes->constData() + m->position, size_t(n));
    m->position += n;
    return n;
}

sf_count_t memWrite(const void*, sf_count_t, void*)
{
    return 0;
}

sf_count_t memTell(void* user)
{
    return static_cast<Memory*>(user)->position;
}

std::optional<SoundData> readAll(SNDFILE* file, const SF_INFO& info, QString* error)
{
    auto fail = [&](const QString& why) -> std::optional<SoundData> {
        if (error) {
            *error = why;
        }
        sf_close(file);
        return std::nullopt;
    };
    if (info.channels < 1 || info.channels > MaxChannels || info.samplerate < 1 || info.samplerate > 384000) {
        return fail(QStringLiteral("unsupported layout: %1 channels at %2 Hz").arg(info.channels).arg(info.samplerate));
    }
    SoundData sound;
    sound.sampleRate = info.samplerate;
    sound.channels = info.channels;
    // Read until the data ends, whatever length the header claims.
    const qsizetype chunk = qsizetype(ChunkFrames) * info.channels;
    while (sound.samples.size() + chunk <= sound_data::MaxSamples) {
        const qsizetype at = sound.samples.size();
        sound.samples.resize(at + chunk);
        const sf_count_t got = sf_readf_short(file, sound.samples.data() + at, ChunkFrames);
        sound.samples.resize(at + qsizetype(std::max<sf_count_t>(got, 0)) * info.channels);
        if (got < ChunkFrames) {
            break;
        }
    }
    sf_close(file);
    if (sound.samples.isEmpty()) {
        if (error) {
            *error = QStringLiteral("no audio data");
        }
        return std::nullopt;
    }
    sound.samples.squeeze();
    return sound;
}

} // namespace

namespace sound_data {

std::optional<SoundData> decodeFile(const QString& path, QString* error)
{
    const QFileInfo info(path);
    if (!info.isFile()) {
        if (error) {
            *error = QStringLiteral("no such file: %1").arg(path);
        }
        return std::nullopt;
    }
    if (info.size() > MaxFileBytes) {
        if (error) {
            *error = QStringLiteral("file too large: %1 bytes").arg(info.size());
        }
        return std::nullopt;
    }
    SF_INFO sfInfo{};
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &sfInfo);
    if (!file) {
        if (error) {
            *error = QString::fromUtf8(sf_strerror(nullptr));
        }
        return std::nullopt;
    }
    return readAll(file, sfInfo, error);
}

std::optional<SoundData> decodeBytes(const QByteArray& bytes, QString* error)
{
    if (bytes.size() > MaxFileBytes) {
        if (error) {
            *error = QStringLiteral("data too large: %1 bytes").arg(bytes.size());
        }
        return std::nullopt;
    }
    Memory memory{&bytes};
    SF_VIRTUAL_IO io{memLength, memSeek, memRead, memWrite, memTell};
    SF_INFO sfInfo{};
    SNDFILE* file = sf_open_virtual(&io, SFM_READ, &sfInfo, &memory);
    if (!file) {
        if (error) {
            *error = QString::fromUtf8(sf_strerror(nullptr));
        }
        return std::nullopt;
    }
    return readAll(file, sfInfo, error);
}

} // namespace sound_data

SoundFileWriter::SoundFileWriter() = default;

SoundFileWriter::~SoundFileWriter()
{
    close();
}

bool SoundFileWriter::open(const QString& path, int sampleRate, int channels, QString* error)
{
    close();
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = SF_FORMAT_CAF | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!file) {
        if (error) {
            *error = QString::fromUtf8(sf_strerror(nullptr));
        }
        return false;
    }
    m_file = file;
    m_channels = channels;
    return true;
}

bool SoundFileWriter::write(const QByteArray& samples)
{
    if (!m_file) {
        return false;
    }
    const sf_count_t frames = sf_count_t(samples.size() / qsizetype(sizeof(qint16)) / m_channels);
    const auto* data = reinterpret_cast<const short*>(samples.constData());
    return sf_writef_short(static_cast<SNDFILE*>(m_file), data, frames) == frames;
}

void SoundFileWriter::close()
{
    if (m_file) {
        sf_close(static_cast<SNDFILE*>(m_file));
        m_file = nullptr;
    }
}
