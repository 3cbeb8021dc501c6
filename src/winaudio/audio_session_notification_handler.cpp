#include "winaudio/audio_session_notification_handler.h"

#include "app/logging.h"

using Microsoft::WRL::ComPtr;

namespace qev::winaudio {

bool AudioSessionNotificationHandler::Register(ComPtr<IAudioSessionManager2> manager, Callback callback,
                                               void* context)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (registered_ || !manager) {
        return false;
    }
    const HRESULT hr = manager->RegisterSessionNotification(this);
    if (FAILED(hr)) {
        log_wprintf(L"Failed to register session notifiocation, hr: 0x%08X\n", static_cast<unsigned>(hr));
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
    UnregisterWith(L"Failed to unregister control change notification, hr: 0x%08X\n");
}

void AudioSessionNotificationHandler::UnregisterWith(const wchar_t* failureMessage)
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
        log_wprintf(failureMessage, static_cast<unsigned>(hr));
    }
    gate_.wait_idle();
    manager.Reset();
    Release();  // may free this object
}

HRESULT AudioSessionNotificationHandler::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr) {
        return E_INVALIDARG;
    }
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IAudioSessionNotification)) {
        *object = static_cast<IAudioSessionNotification*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG AudioSessionNotificationHandler::AddRef()
{
    return ++refCount_;
}

ULONG AudioSessionNotificationHandler::Release()
{
    const ULONG count = --refCount_;
    if (count == 1 && registered()) {
        // Only the manager's reference is left; unregistering drops it and may free this object.
        UnregisterWith(L"Failed to unregister control change notification in Release, hr: 0x%08X\n");
        return 0;
    }
    if (count == 0) {
        delete this;
    }
    return count;
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
