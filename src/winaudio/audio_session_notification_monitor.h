#pragma once

#include <windows.h>

#include <audiopolicy.h>
#include <mmdeviceapi.h>
#include <wrl/client.h>

#include <mutex>
#include <string>
#include <vector>

#include "winaudio/audio_session_notification_handler.h"
#include "winaudio/audio_session_notification_observer.h"

namespace qev::winaudio {

// Reports the new sessions of one endpoint and enumerates its current ones. A monitor whose
// activation or registration failed exists but reports nothing. It registers the way the
// documentation asks: from the multithreaded apartment (on a helper thread when the caller is in
// another), then counts the sessions, without which no notification comes. Destruction unregisters and waits
// for deliveries still running, so observers must not block on a lock held by whoever destroys it.
class AudioSessionNotificationMonitor {
public:
    explicit AudioSessionNotificationMonitor(Microsoft::WRL::ComPtr<IMMDevice> device);
    ~AudioSessionNotificationMonitor();
    AudioSessionNotificationMonitor(const AudioSessionNotificationMonitor&) = delete;
    AudioSessionNotificationMonitor& operator=(const AudioSessionNotificationMonitor&) = delete;

    // Appends every current session; false when the sessions cannot be listed.
    bool enumerate_sessions(std::vector<Microsoft::WRL::ComPtr<IAudioSessionControl>>& sessions) const;

    void add_observer(AudioSessionNotificationObserver* observer);
    // Erases every entry equal to observer.
    void remove_observer(AudioSessionNotificationObserver* observer);

    const std::wstring& endpoint_id() const { return endpointId_; }
    bool registered() const { return handler_->registered(); }

private:
    void register_in_multithreaded_apartment();
    void register_and_count();
    static HRESULT on_session_created(IAudioSessionControl* session, void* context);
    void deliver(const Microsoft::WRL::ComPtr<IAudioSessionControl>& session);

    Microsoft::WRL::ComPtr<IMMDevice> device_;
    Microsoft::WRL::ComPtr<IAudioSessionManager2> manager_;
    Microsoft::WRL::ComPtr<AudioSessionNotificationHandler> handler_;
    std::mutex observersMutex_;
    std::vector<AudioSessionNotificationObserver*> observers_;
    std::wstring endpointId_;
};

}  // namespace qev::winaudio
