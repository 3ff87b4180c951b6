#include "Platform.h"

#include "linux/ClipboardPasteboard.h"
#include "linux/DBusNotifications.h"
#include "linux/EspeakSpeechSynthesizer.h"
#include "linux/LinuxReachability.h"
#include "linux/LinuxSystemEvents.h"
#include "linux/QtAudioInput.h"
#include "linux/QtAudioOutput.h"
#include "linux/XTestKeyEvents.h"
#include "linux/XdgWorkspace.h"
#include "null/NullSpeechSynthesizer.h"

namespace Platform {

void installBackends(Backends kind)
{
    if (kind == Backends::Null) {
        installNullBackends();
        return;
    }
    // espeak-ng's state is process-wide: one synthesizer serves every installation.
    static std::weak_ptr<EspeakSpeechSynthesizer> espeak;
    if (auto existing = espeak.lock()) {
        setSpeechSynthesizer(existing);
    } else if (EspeakSpeechSynthesizer::engineAvailable()) {
        auto created = std::make_shared<EspeakSpeechSynthesizer>();
        espeak = created;
        setSpeechSynthesizer(created);
    } else {
        setSpeechSynthesizer(std::make_shared<NullSpeechSynthesizer>());
    }
    setKeyEvents(std::make_shared<XTestKeyEvents>());
    setPasteboard(std::make_shared<ClipboardPasteboard>());
    setWorkspace(std::make_shared<XdgWorkspace>());
    setAudioOutput(std::make_shared<QtAudioOutput>());
    setAudioInput(std::make_shared<QtAudioInput>());
    setReachability(std::make_shared<LinuxReachability>());
    setSystemEvents(std::make_shared<LinuxSystemEvents>());
    setNotifications(std::make_shared<DBusNotifications>());
}

} // namespace Platform
