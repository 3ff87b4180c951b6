#pragma once

#include "AudioInput.h"

/** Audio input with no devices: every start answers nullptr, "no input device". */
class NullAudioInput : public AudioInput
{
    Q_OBJECT

public:
    using AudioInput::AudioInput;
    QList<AudioDevice> devices() const override { return {}; }
    std::unique_ptr<AudioInputStream> start(int sampleRate, int channels, const QString& deviceId,
                                            QString* error = nullptr) override;
};
