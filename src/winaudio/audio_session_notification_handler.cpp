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
    return true;
}

bool AudioSessionNotificationHandler::registered() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return registered_;
}

void AudioSessionNotificationHandler::Unregister()
{
    unregister_with(L"Failed to unregister control change notification, hr: 0x%08X\n");
}

void AudioSessionNotificationHandler::unregister_with(const wchar_t* failureMessage)
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
        manager = std::move(manager_);
    }
    AddRef();  // the manager may drop its reference during the call
    const HRESULT hr = manager->UnregisterSessionNotification(this);
    if (FAILED(hr)) {
        base::log_wprintf(failureMessage, static_cast<unsigned>(hr));
    }
    gate_.wait_idle();
    manager.Reset();
    Release();  // may free this object
}

bool AudioSessionNotificationHandler::release_held_reference()
{
    if (!registered()) {
        return false;
    }
    // Unregistering drops the source's reference and frees this object: nothing of it is touched
    // afterwards.
    unregister_with(L"Failed to unregister control change notification in Release, hr: 0x%08X\n");
    return true;
}

HRESULT AudioSessionNotificationHandler::OnSessionCreated(IAudioSessionControl* session)
{
    AddRef();
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
