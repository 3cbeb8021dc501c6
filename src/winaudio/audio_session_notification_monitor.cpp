#include "winaudio/audio_session_notification_monitor.h"

#include <objbase.h>

#include <algorithm>
#include <thread>

#include "base/com_init.h"
#include "base/com_object.h"
#include "base/logging.h"
#include "winaudio/com_init_guard.h"
#include "winaudio/endpoint_queries.h"

using Microsoft::WRL::ComPtr;

namespace qev::winaudio {

AudioSessionNotificationMonitor::AudioSessionNotificationMonitor(ComPtr<IMMDevice> device) : device_(std::move(device))
{
    ComInitGuard::Instance();
    handler_ = base::make_com<AudioSessionNotificationHandler>();
    // The id is known before registration, so a notification never sees it half-written.
    GetDeviceId(device_, endpointId_);
    if (!device_) {
        return;
    }
    const HRESULT hr = device_->Activate(__uuidof(IAudioSessionManager2), CLSCTX_INPROC_SERVER, nullptr,
                                         reinterpret_cast<void**>(manager_.GetAddressOf()));
    if (FAILED(hr)) {
        base::log_wprintf(L"Failed to activate IAudioSessionManager2, hr: 0x%08X\n", static_cast<unsigned>(hr));
        manager_.Reset();
        return;
    }
    register_in_multithreaded_apartment();
}

void AudioSessionNotificationMonitor::register_in_multithreaded_apartment()
{
    // Windows serves session notifications only to a client that registered from the
    // multithreaded apartment (IAudioSessionManager2::RegisterSessionNotification).
    APTTYPE type = APTTYPE_CURRENT;
    APTTYPEQUALIFIER qualifier = APTTYPEQUALIFIER_NONE;
    if (SUCCEEDED(CoGetApartmentType(&type, &qualifier)) && type == APTTYPE_MTA) {
        register_and_count();
        return;
    }
    std::thread helper([this] {
        const base::ComInit com(COINIT_MULTITHREADED);
        register_and_count();
    });
    helper.join();
}

void AudioSessionNotificationMonitor::register_and_count()
{
    if (!handler_->Register(manager_, &AudioSessionNotificationMonitor::on_session_created, this)) {
        return;
    }
    // The documented start: the notifications begin once the current sessions were counted.
    ComPtr<IAudioSessionEnumerator> sessions;
    int count = 0;
    if (FAILED(manager_->GetSessionEnumerator(&sessions)) || FAILED(sessions->GetCount(&count))) {
        base::log_wprintf(L"Failed to count the sessions: no session notification will come\n");
    }
}

AudioSessionNotificationMonitor::~AudioSessionNotificationMonitor()
{
    handler_->Unregister();
}

bool AudioSessionNotificationMonitor::enumerate_sessions(std::vector<ComPtr<IAudioSessionControl>>& sessions) const
{
    if (!manager_) {
        return false;
    }
    ComPtr<IAudioSessionEnumerator> enumerator;
    HRESULT hr = manager_->GetSessionEnumerator(&enumerator);
    if (FAILED(hr)) {
        base::log_wprintf(L"Failed to get session enumerator, hr: 0x%08X\n", static_cast<unsigned>(hr));
        return false;
    }
    int count = 0;
    hr = enumerator->GetCount(&count);
    if (FAILED(hr)) {
        base::log_wprintf(L"Failed to get session count, hr: 0x%08X\n", static_cast<unsigned>(hr));
        return false;
    }
    for (int index = 0; index < count; ++index) {
        ComPtr<IAudioSessionControl> session;
        hr = enumerator->GetSession(index, &session);
        if (FAILED(hr)) {
            base::log_wprintf(L"Failed to get audio session, hr: 0x%08X\n", static_cast<unsigned>(hr));
            continue;
        }
        sessions.push_back(session);
    }
    return true;
}

void AudioSessionNotificationMonitor::add_observer(AudioSessionNotificationObserver* observer)
{
    std::lock_guard<std::mutex> lock(observersMutex_);
    observers_.push_back(observer);
}

void AudioSessionNotificationMonitor::remove_observer(AudioSessionNotificationObserver* observer)
{
    std::lock_guard<std::mutex> lock(observersMutex_);
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

HRESULT AudioSessionNotificationMonitor::on_session_created(IAudioSessionControl* session, void* context)
{
    if (context == nullptr) {
        return E_INVALIDARG;
    }
    static_cast<AudioSessionNotificationMonitor*>(context)->deliver(ComPtr<IAudioSessionControl>(session));
    return S_OK;
}

void AudioSessionNotificationMonitor::deliver(const ComPtr<IAudioSessionControl>& session)
{
    std::vector<AudioSessionNotificationObserver*> observers;
    {
        std::lock_guard<std::mutex> lock(observersMutex_);
        observers = observers_;
    }
    for (AudioSessionNotificationObserver* observer : observers) {
        observer->on_session_created(endpointId_, session);
    }
}

}  // namespace qev::winaudio
