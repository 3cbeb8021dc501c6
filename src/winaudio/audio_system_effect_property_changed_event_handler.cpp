#include "winaudio/audio_system_effect_property_changed_event_handler.h"

#include "app/logging.h"

using Microsoft::WRL::ComPtr;

namespace qev::winaudio {

AudioSystemEffectPropertyChangedEventHandler::AudioSystemEffectPropertyChangedEventHandler(
    ComPtr<IAudioSystemEffectsPropertyStore> store)
    : store_(std::move(store))
{
}

bool AudioSystemEffectPropertyChangedEventHandler::Register(Callback callback, void* context)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (registered_ || !store_) {
        return false;
    }
    const HRESULT hr = store_->RegisterPropertyChangeNotification(this);
    if (FAILED(hr)) {
        log_wprintf(L"Failed to register property change notification, hr: 0x%08X\n",
                    static_cast<unsigned>(hr));
        return false;
    }
    registered_ = true;
    callback_ = callback;
    context_ = context;
    return true;
}

bool AudioSystemEffectPropertyChangedEventHandler::registered() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return registered_;
}

void AudioSystemEffectPropertyChangedEventHandler::Unregister()
{
    UnregisterWith(L"Failed to unregister property change notifiction, hr: 0x%08X\n");
}

void AudioSystemEffectPropertyChangedEventHandler::UnregisterWith(const wchar_t* failureMessage)
{
    ComPtr<IAudioSystemEffectsPropertyStore> store;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!registered_ || !store_) {
            return;
        }
        registered_ = false;
        callback_ = nullptr;
        context_ = nullptr;
        store = std::move(store_);
    }
    AddRef();  // the store may drop its reference during the call
    const HRESULT hr = store->UnregisterPropertyChangeNotification(this);
    if (FAILED(hr)) {
        log_wprintf(failureMessage, static_cast<unsigned>(hr));
    }
    gate_.wait_idle();
    store.Reset();
    Release();  // may free this object
}

HRESULT AudioSystemEffectPropertyChangedEventHandler::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr) {
        return E_INVALIDARG;
    }
    if (iid == __uuidof(IUnknown) || iid == kAudioSystemEffectsPropertyChangeNotificationClientIid) {
        *object = static_cast<IAudioSystemEffectsPropertyChangeNotificationClient*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG AudioSystemEffectPropertyChangedEventHandler::AddRef()
{
    return ++refCount_;
}

ULONG AudioSystemEffectPropertyChangedEventHandler::Release()
{
    const ULONG count = --refCount_;
    if (count == 1 && registered()) {
        // Only the store's reference is left; unregistering drops it and may free this object.
        UnregisterWith(L"Failed to unregister property change notifiction in Release, hr: 0x%08X\n");
        return 0;
    }
    if (count == 0) {
        delete this;
    }
    return count;
}

HRESULT AudioSystemEffectPropertyChangedEventHandler::OnPropertyChanged(
    AUDIO_SYSTEMEFFECTS_PROPERTYSTORE_TYPE type, const PROPERTYKEY key)
{
    Callback callback = nullptr;
    void* context = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        callback = callback_;
        context = context_;
        gate_.enter();
    }
    CallbackGate::Pass pass(gate_);
    if (callback == nullptr) {
        return S_OK;
    }
    const PROPERTYKEY copy = key;
    return callback(static_cast<std::uint32_t>(type), &copy, context);
}

}  // namespace qev::winaudio
