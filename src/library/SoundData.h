#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

/** Decoded audio: signed 16-bit samples, channels interleaved. */
struct SoundData
{
    int sampleRate = 0;
    int channels = 0;
    QList<qint16> samples;

    qint64 frames() const { return channels > 0 ? samples.size() / channels : 0; }
    double duration() const { return sampleRate > 0 ? double(frames()) / sampleRate : 0.0; }
};

/**
 * Every sound file is decoded here, through libsndfile: WAV, AIFF, CAF, FLAC, Ogg and MP3, from a file
 * or from bytes in memory. The claimed length in a header is never trusted: samples are read in
 * chunks until the data ends or MaxSamples is reached, and files larger than MaxFileBytes are refused.
 */
namespace sound_data {

constexpr qint64 MaxFileBytes = 256LL * 1024 * 1024;
/** 2^26 samples: over ten minutes of 48 kHz stereo. Longer sounds are cut there. */
constexpr qsizetype MaxSamples = qsizetype(1) << 26;

/** The decoded file, or nullopt with the reason in *error (when given). */
std::optional<SoundData> decodeFile(const QString& path, QString* error = nullptr);
/** The decoded bytes (a whole file's content), or nullopt with the reason in *error. */
std::optional<SoundData> decodeBytes(const QByteArray& bytes, QString* error = nullptr);

} // namespace sound_data

/** Writes a CAF file of 16-bit PCM samples through libsndfile. */
class SoundFileWriter
{
public:
    SoundFileWriter();
    ~SoundFileWriter();
    SoundFileWriter(const SoundFileWriter&) = delete;
    SoundFileWriter& operator=(const SoundFileWriter&) = delete;

    /** Creates (or replaces) the file; false with the reason in *error when it cannot be written. */
    bool open(const QString& path, int sampleRate, int channels, QString* error = nullptr);
    /** Appends interleaved 16-bit samples (whole frames); false when the write failed. */
    bool write(const QByteArray& samples);
    /** Finishes the file (its header then holds the length). Also done on destruction. */
    void close();
    bool isOpen() const { return m_file != nullptr; }

private:
    void* m_file = nullptr;
    int m_channels = 1;
};
