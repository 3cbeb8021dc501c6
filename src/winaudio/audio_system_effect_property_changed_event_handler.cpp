#include "winaudio/audio_system_effect_property_changed_event_handler.h"

#include "base/logging.h"

using Microsoft::WRL::ComPtr;

namespace qev::winaudio {

AudioSystemEffectPropertyChangedEventHandler::AudioSystemEffectPropertyChangedEventHandler(
    ComPtr<base::IAudioSystemEffectsPropertyStore> store)
    : store_(std::move(store))
{}

bool AudioSystemEffectPropertyChangedEventHandler::Register(Callback callback, void* context)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (registered_ || !store_) {
        return false;
    }
    const HRESULT hr = store_->RegisterPropertyChangeNotification(this);
    if (FAILED(hr)) {
        base::log_wprintf(L"Failed to register property change notification, hr: 0x%08X\n", static_cast<unsigned>(hr));
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
    unregister_with(L"Failed to unregister property change notifiction, hr: 0x%08X\n");
}

void AudioSystemEffectPropertyChangedEventHandler::unregister_with(const wchar_t* failureMessage)
{
    ComPtr<base::IAudioSystemEffectsPropertyStore> store;
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
        base::log_wprintf(failureMessage, static_cast<unsigned>(hr));
    }
    gate_.wait_idle();
    store.Reset();
    Release();  // may free this object
}

bool AudioSystemEffectPropertyChangedEventHandler::release_held_reference()
{
    if (!registered()) {
        return false;
    }
    // Unregistering drops the source's reference and frees this object: nothing of it is touched
    // afterwards.
    unregister_with(L"Failed to unregister property change notifiction in Release, hr: 0x%08X\n");
    return true;
}

HRESULT AudioSystemEffectPropertyChangedEventHandler::OnPropertyChanged(
    base::AUDIO_SYSTEMEFFECTS_PROPERTYSTORE_TYPE type, const PROPERTYKEY key)
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
