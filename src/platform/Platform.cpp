#include "Platform.h"

#include "AudioInput.h"
#include "AudioOutput.h"
#include "DesktopNotifications.h"
#include "KeyEvents.h"
#include "Pasteboard.h"
#include "Reachability.h"
#include "SpeechSynthesizer.h"
#include "SystemEvents.h"
#include "Workspace.h"
#include "null/ClockedAudioOutput.h"
#include "null/MemoryPasteboard.h"
#include "null/NullAudioInput.h"
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
    std::shared_ptr<AudioOutput> audioOut;
    std::shared_ptr<AudioInput> audioIn;
    std::shared_ptr<Reachability> reachability;
    std::shared_ptr<SystemEvents> events;
    std::shared_ptr<DesktopNotifications> notifications;
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

void installNullBackends()
{
    Installed& current = installed();
    current.speech = std::make_shared<NullSpeechSynthesizer>();
    current.keys = std::make_shared<NullKeyEvents>();
    current.pasteboard = std::make_shared<MemoryPasteboard>();
    current.workspace = std::make_shared<NullWorkspace>();
    current.audioOut = std::make_shared<NullAudioOutput>();
    current.audioIn = std::make_shared<NullAudioInput>();
    current.reachability = std::make_shared<NullReachability>();
    current.events = std::make_shared<SystemEvents>();
    current.notifications = std::make_shared<DesktopNotifications>();
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
std::shared_ptr<SystemEvents> systemEvents()
{
    return orNull<SystemEvents, SystemEvents>(installed().events);
}
std::shared_ptr<DesktopNotifications> notifications()
{
    return orNull<DesktopNotifications, DesktopNotifications>(installed().notifications);
}
void setSystemEvents(std::shared_ptr<SystemEvents> events)
{
    installed().events = std::move(events);
}
void setNotifications(std::shared_ptr<DesktopNotifications> notifications)
{
    installed().notifications = std::move(notifications);
}

std::shared_ptr<AudioOutput> audioOutput()
{
    return orNull<AudioOutput, NullAudioOutput>(installed().audioOut);
}
std::shared_ptr<AudioInput> audioInput()
{
    return orNull<AudioInput, NullAudioInput>(installed().audioIn);
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

void setAudioOutput(std::shared_ptr<AudioOutput> output)
{
    installed().audioOut = std::move(output);
}
void setAudioInput(std::shared_ptr<AudioInput> input)
{
    installed().audioIn = std::move(input);
}

} // namespace Platform
