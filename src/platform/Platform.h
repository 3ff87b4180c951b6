#pragma once

#include <memory>

class KeyEvents;
class Pasteboard;
class Reachability;
class SpeechSynthesizer;
class Workspace;

/**
 * The one place that chooses the platform backends. main() installs the Linux backends at start-up;
 * test set-up installs the null backends or fakes. Until something is installed every accessor
 * answers a null backend, which reports "unavailable" honestly.
 */
namespace Platform {

enum class Backends { Linux, Null };

/** Installs the backends of one kind for every interface below. Main thread; call before the
 *  services are created (Mac_media takes its synthesizer when it is created). */
void installBackends(Backends kind);

/** The speech synthesizer in use. Never null. */
std::shared_ptr<SpeechSynthesizer> speechSynthesizer();
/** The key-event poster in use. Never null. */
std::shared_ptr<KeyEvents> keyEvents();
/** The general pasteboard in use. Never null. */
std::shared_ptr<Pasteboard> pasteboard();
/** The workspace in use. Never null. */
std::shared_ptr<Workspace> workspace();
/** The reachability probe in use. Never null; the null backend finds no host reachable. */
std::shared_ptr<Reachability> reachability();

/** Install one backend or fake; nullptr puts the null backend back. */
void setSpeechSynthesizer(std::shared_ptr<SpeechSynthesizer> synthesizer);
void setKeyEvents(std::shared_ptr<KeyEvents> keyEvents);
void setPasteboard(std::shared_ptr<Pasteboard> pasteboard);
void setWorkspace(std::shared_ptr<Workspace> workspace);
void setReachability(std::shared_ptr<Reachability> reachability);

} // namespace Platform
