#pragma once

#include <windows.h>

#include <mmdeviceapi.h>
#include <wrl/client.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "winaudio/audio_session_event_monitor.h"
#include "winaudio/audio_session_notification_monitor.h"

namespace qev::session {

// The filter's session monitors, one of each kind per endpoint, with the filter's observers added.
class SessionMonitors {
public:
    SessionMonitors(winaudio::AudioSessionNotificationObserver* notificationObserver,
                    winaudio::AudioSessionEventObserver* eventObserver);

    // The endpoint's monitor, created on first use; null when creation failed (logged).
    std::shared_ptr<winaudio::AudioSessionNotificationMonitor> notification_monitor(
        const Microsoft::WRL::ComPtr<IMMDevice>& device, const std::wstring& endpointId);
    std::shared_ptr<winaudio::AudioSessionEventMonitor> event_monitor(const Microsoft::WRL::ComPtr<IMMDevice>& device,
                                                                      const std::wstring& endpointId);
    // The existing event monitor of the endpoint, or null.
    std::shared_ptr<winaudio::AudioSessionEventMonitor> find_event_monitor(const std::wstring& endpointId);

    // Takes every monitor out, removes the observers and releases them (which unregisters from
    // Windows and waits for deliveries in flight, so no lock an observer takes may be held).
    void release_all();

private:
    template <typename Monitor, typename Observer>
    std::shared_ptr<Monitor> get_or_create(std::map<std::wstring, std::shared_ptr<Monitor>>& monitors,
                                           Observer* observer, const Microsoft::WRL::ComPtr<IMMDevice>& device,
                                           const std::wstring& endpointId, const char* failure);

    winaudio::AudioSessionNotificationObserver* const notificationObserver_;
    winaudio::AudioSessionEventObserver* const eventObserver_;
    std::mutex mutex_;
    std::map<std::wstring, std::shared_ptr<winaudio::AudioSessionNotificationMonitor>>
        notificationMonitors_;                                                                   // guarded by mutex_
    std::map<std::wstring, std::shared_ptr<winaudio::AudioSessionEventMonitor>> eventMonitors_;  // guarded by mutex_
};

}  // namespace qev::session
