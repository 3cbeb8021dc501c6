#include "winaudio/audio_session_notification_handler.h"

#include "base/logging.h"

using Microsoft::WRL::ComPtr;

namespace qev::winaudio {

bool AudioSessionNotificationHandler::Register(ComPtr<IAudioSessionManager2> manager, Callback callback, void* context)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (registered_ || !manager) {
        return false;
    }
    const HRESULT hr = manager->RegisterSessionNotification(this);
    if (FAILED(hr)) {
        base::log_wprintf(L"Failed to register session notifiocation, hr: 0x%08X\n", static_cast<unsigned>(hr));
        return false;
    }
    registered_ = true;
    manager_ = std::move(manager);
    context_ = context;
    callback_ = callback;
    AddRef();  // the registration's own: the object outlives its registration
    return true;
}

bool AudioSessionNotificationHandler::registered() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return registered_;
}

void AudioSessionNotificationHandler::Unregister()
{
    ComPtr<IAudioSessionManager2> manager;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!registered_ || !manager_) {
            return;
        }
        registered_ = false;
        context_ = nullptr;
        callback_ = nullptr;
        manager.Swap(manager_);  // mingw-w64's move assignment would copy
    }
    const HRESULT hr = manager->UnregisterSessionNotification(this);
    gate_.wait_idle();
    manager.Reset();
    if (FAILED(hr)) {
        // Still registered as far as Windows knows: the object must outlive the registration.
        base::log_wprintf(L"Failed to unregister control change notification, hr: 0x%08X\n", static_cast<unsigned>(hr));
        return;
    }
    Release();  // the registration's own; may free this object
}

HRESULT AudioSessionNotificationHandler::OnSessionCreated(IAudioSessionControl* session)
{
    AddRef();  // an owner unregistering from inside the callback must not free it under us
    Callback callback = nullptr;
    void* context = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        callback = callback_;
        context = context_;
        gate_.enter();
    }
    HRESULT hr = S_OK;
    {
        CallbackGate::Pass pass(gate_);
        if (callback != nullptr) {
            hr = callback(session, context);
        }
    }
    Release();
    return hr;
}

}  // namespace qev::winaudio
