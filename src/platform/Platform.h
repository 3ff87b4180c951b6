#pragma once

#include <memory>

class AudioInput;
class AudioOutput;
class DesktopNotifications;
class KeyEvents;
class Pasteboard;
class Reachability;
class SpeechSynthesizer;
class SystemEvents;
class Workspace;

/**
 * The one place that chooses the platform backends. main() installs the Linux backends at start-up;
 * test set-up installs the null backends or fakes. The interfaces and the null backends need only
 * QtCore (target platform); the Linux backends are a target of their own (platform_linux). Until something is installed
 * every accessor answers a null backend, which reports "unavailable" honestly.
 */
namespace Platform {

enum class Backends { Linux, Null };

/** Installs the backends of one kind for every interface below. Main thread; call before the
 *  services are created (Mac_media takes its synthesizer when it is created). Defined with the Linux
 *  backends in the platform_linux target, which links Qt Gui, Qt Multimedia, espeak-ng and X11. */
void installBackends(Backends kind);
/** Installs the null backend for every interface below (what installBackends(Backends::Null) does),
 *  for programs that link only the interfaces. */
void installNullBackends();

/** The speech synthesizer in use. Never null. */
std::shared_ptr<SpeechSynthesizer> speechSynthesizer();
/** The key-event poster in use. Never null. */
std::shared_ptr<KeyEvents> keyEvents();
/** The general pasteboard in use. Never null. */
std::shared_ptr<Pasteboard> pasteboard();
/** The workspace in use. Never null. */
std::shared_ptr<Workspace> workspace();
/** The audio outputs in use. Never null. */
std::shared_ptr<AudioOutput> audioOutput();
/** The audio inputs in use. Never null. */
std::shared_ptr<AudioInput> audioInput();
/** The reachability probe in use. Never null; the null backend finds no host reachable. */
std::shared_ptr<Reachability> reachability();
/** Suspend, resume and network changes in use. Never null; the null backend reports none. */
std::shared_ptr<SystemEvents> systemEvents();
/** Desktop notifications in use. Never null; the null backend shows none. */
std::shared_ptr<DesktopNotifications> notifications();

/** Install one backend or fake; nullptr puts the null backend back. */
void setSpeechSynthesizer(std::shared_ptr<SpeechSynthesizer> synthesizer);
void setKeyEvents(std::shared_ptr<KeyEvents> keyEvents);
void setPasteboard(std::shared_ptr<Pasteboard> pasteboard);
void setWorkspace(std::shared_ptr<Workspace> workspace);
void setAudioOutput(std::shared_ptr<AudioOutput> output);
void setAudioInput(std::shared_ptr<AudioInput> input);
void setReachability(std::shared_ptr<Reachability> reachability);
void setSystemEvents(std::shared_ptr<SystemEvents> events);
void setNotifications(std::shared_ptr<DesktopNotifications> notifications);

} // namespace Platform
