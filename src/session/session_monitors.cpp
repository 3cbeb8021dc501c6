#include "session/session_monitors.h"

#include <exception>

#include "base/logging.h"
#include "base/utf8.h"

namespace qev::session {

using Microsoft::WRL::ComPtr;
using winaudio::AudioSessionEventMonitor;
using winaudio::AudioSessionNotificationMonitor;

SessionMonitors::SessionMonitors(winaudio::AudioSessionNotificationObserver* notificationObserver,
                                 winaudio::AudioSessionEventObserver* eventObserver)
    : notificationObserver_(notificationObserver), eventObserver_(eventObserver)
{}

template <typename Monitor, typename Observer>
std::shared_ptr<Monitor> SessionMonitors::get_or_create(std::map<std::wstring, std::shared_ptr<Monitor>>& monitors,
                                                        Observer* observer, const ComPtr<IMMDevice>& device,
                                                        const std::wstring& endpointId, const char* failure)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = monitors.find(endpointId);
    if (found != monitors.end()) {
        return found->second;
    }
    try {
        auto monitor = std::make_shared<Monitor>(device);
        monitor->add_observer(observer);
        monitors[endpointId] = monitor;
        return monitor;
    } catch (const std::exception& error) {
        base::log_printf(failure, base::utf8_from_wide(endpointId).c_str(), error.what());
        return nullptr;
    }
}

std::shared_ptr<AudioSessionNotificationMonitor> SessionMonitors::notification_monitor(const ComPtr<IMMDevice>& device,
                                                                                       const std::wstring& endpointId)
{
    return get_or_create(notificationMonitors_, notificationObserver_, device, endpointId,
                         "Failed to create session notification monitor for device %s, error: %s\n");
}

std::shared_ptr<AudioSessionEventMonitor> SessionMonitors::event_monitor(const ComPtr<IMMDevice>& device,
                                                                         const std::wstring& endpointId)
{
    return get_or_create(eventMonitors_, eventObserver_, device, endpointId,
                         "Failed to create session event monitor for device %s, error: %s\n");
}

std::shared_ptr<AudioSessionEventMonitor> SessionMonitors::find_event_monitor(const std::wstring& endpointId)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = eventMonitors_.find(endpointId);
    return found == eventMonitors_.end() ? nullptr : found->second;
}

void SessionMonitors::release_all()
{
    std::map<std::wstring, std::shared_ptr<AudioSessionNotificationMonitor>> notificationMonitors;
    std::map<std::wstring, std::shared_ptr<AudioSessionEventMonitor>> eventMonitors;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        notificationMonitors.swap(notificationMonitors_);
        eventMonitors.swap(eventMonitors_);
    }
    for (auto& entry : eventMonitors) {
        entry.second->remove_observer(eventObserver_);
    }
    for (auto& entry : notificationMonitors) {
        entry.second->remove_observer(notificationObserver_);
    }
}

}  // namespace qev::session
