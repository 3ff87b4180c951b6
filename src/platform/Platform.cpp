#include "Platform.h"

#include "KeyEvents.h"
#include "Pasteboard.h"
#include "Reachability.h"
#include "SpeechSynthesizer.h"
#include "Workspace.h"
#include "linux/ClipboardPasteboard.h"
#include "linux/EspeakSpeechSynthesizer.h"
#include "linux/LinuxReachability.h"
#include "linux/XTestKeyEvents.h"
#include "linux/XdgWorkspace.h"
#include "null/MemoryPasteboard.h"
#include "null/NullKeyEvents.h"
#include "null/NullReachability.h"
#include "null/NullSpeechSynthesizer.h"
#include "null/NullWorkspace.h"

namespace {

struct Installed
{
    std::shared_ptr<SpeechSynthesizer> speech;
    std::shared_ptr<KeyEvents> keys;
    std::shared_ptr<Pasteboard> pasteboard;
    std::shared_ptr<Workspace> workspace;
    std::shared_ptr<Reachability> reachability;
};

// Main thread only, like everything that uses the backends.
Installed& installed()
{
    static Installed instance;
    return instance;
}

template <typename T, typename Null> std::shared_ptr<T>& orNull(std::shared_ptr<T>& slot)
{
    if (!slot) {
        slot = std::make_shared<Null>();
    }
    return slot;
}

} // namespace

namespace Platform {

void installBackends(Backends kind)
{
    Installed& current = installed();
    if (kind == Backends::Linux) {
        // espeak-ng's state is process-wide: one synthesizer serves every installation.
        static std::weak_ptr<EspeakSpeechSynthesizer> espeak;
        if (auto existing = espeak.lock()) {
            current.speech = existing;
        } else if (EspeakSpeechSynthesizer::engineAvailable()) {
            auto created = std::make_shared<EspeakSpeechSynthesizer>();
            espeak = created;
            current.speech = created;
        } else {
            current.speech = std::make_shared<NullSpeechSynthesizer>();
        }
        current.keys = std::make_shared<XTestKeyEvents>();
        current.pasteboard = std::make_shared<ClipboardPasteboard>();
        current.workspace = std::make_shared<XdgWorkspace>();
        current.reachability = std::make_shared<LinuxReachability>();
    } else {
        current.speech = std::make_shared<NullSpeechSynthesizer>();
        current.keys = std::make_shared<NullKeyEvents>();
        current.pasteboard = std::make_shared<MemoryPasteboard>();
        current.workspace = std::make_shared<NullWorkspace>();
        current.reachability = std::make_shared<NullReachability>();
    }
}

std::shared_ptr<SpeechSynthesizer> speechSynthesizer()
{
    return orNull<SpeechSynthesizer, NullSpeechSynthesizer>(installed().speech);
}
std::shared_ptr<KeyEvents> keyEvents()
{
    return orNull<KeyEvents, NullKeyEvents>(installed().keys);
}
std::shared_ptr<Pasteboard> pasteboard()
{
    return orNull<Pasteboard, MemoryPasteboard>(installed().pasteboard);
}
std::shared_ptr<Workspace> workspace()
{
    return orNull<Workspace, NullWorkspace>(installed().workspace);
}
std::shared_ptr<Reachability> reachability()
{
    return orNull<Reachability, NullReachability>(installed().reachability);
}

void setSpeechSynthesizer(std::shared_ptr<SpeechSynthesizer> synthesizer)
{
    installed().speech = std::move(synthesizer);
}
void setKeyEvents(std::shared_ptr<KeyEvents> keyEvents)
{
    installed().keys = std::move(keyEvents);
}
void setPasteboard(std::shared_ptr<Pasteboard> pasteboard)
{
    installed().pasteboard = std::move(pasteboard);
}
void setWorkspace(std::shared_ptr<Workspace> workspace)
{
    installed().workspace = std::move(workspace);
}
void setReachability(std::shared_ptr<Reachability> reachability)
{
    installed().reachability = std::move(reachability);
}

} // namespace Platform
