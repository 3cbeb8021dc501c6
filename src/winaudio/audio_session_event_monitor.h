#pragma once

#include <windows.h>

#include <audiopolicy.h>
#include <mmdeviceapi.h>
#include <wrl/client.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "winaudio/audio_session_control_info.h"
#include "winaudio/audio_session_event_handler.h"
#include "winaudio/audio_session_event_observer.h"
#include "winaudio/serial_worker.h"

namespace qev::winaudio {

// Reports state changes and disconnects of the sessions registered with it, all of one endpoint.
// Unregistering a session (and destruction) waits for its deliveries still running, so observers
// must not block on a lock held by whoever unregisters or destroys. An observer may unregister a
// session from inside its notification: the session falls silent at once and the monitor's worker
// unregisters it from Windows (which forbids that inside the callback). The monitor is not to be
// destroyed inside one of its own notifications.
class AudioSessionEventMonitor {
public:
    explicit AudioSessionEventMonitor(Microsoft::WRL::ComPtr<IMMDevice> device);
    ~AudioSessionEventMonitor();
    AudioSessionEventMonitor(const AudioSessionEventMonitor&) = delete;
    AudioSessionEventMonitor& operator=(const AudioSessionEventMonitor&) = delete;

    // Starts delivery for one session; a session already registered keeps its handler.
    void register_session(Microsoft::WRL::ComPtr<IAudioSessionControl> session);
    // Stops delivery for every session whose instance identifier equals the info's (any case).
    void unregister_session(const AudioSessionControlInfo& info);
    std::size_t session_count() const;

    void add_observer(AudioSessionEventObserver* observer);
    // Erases every entry equal to observer.
    void remove_observer(AudioSessionEventObserver* observer);

    const std::wstring& endpoint_id() const { return endpointId_; }

private:
    using HandlerMap = std::map<IAudioSessionControl*, Microsoft::WRL::ComPtr<AudioSessionEventHandler>>;

    static AudioSessionEventCallbacks make_callbacks();
    static HRESULT on_state_changed(AudioSessionState state, std::shared_ptr<AudioSessionControlInfo> info,
                                    void* context);
    static HRESULT on_session_disconnected(AudioSessionDisconnectReason reason,
                                           std::shared_ptr<AudioSessionControlInfo> info, void* context);
    std::vector<AudioSessionEventObserver*> observers();

    // Unregisters, off the notification thread, what an observer unregistered inside one.
    void unregister_later(std::vector<Microsoft::WRL::ComPtr<AudioSessionEventHandler>> handlers);

    mutable std::mutex handlersMutex_;
    HandlerMap handlers_;
    std::unique_ptr<SerialWorker> worker_;  // made on first use; guarded by handlersMutex_
    std::mutex observersMutex_;
    std::vector<AudioSessionEventObserver*> observers_;
    std::wstring endpointId_;
};

}  // namespace qev::winaudio
