#include "NullAudioInput.h"

std::unique_ptr<AudioInputStream> NullAudioInput::start(int, int, const QString&, QString* error)
{
    if (error) {
        *error = QStringLiteral("no audio input device");
    }
    return nullptr;
}
