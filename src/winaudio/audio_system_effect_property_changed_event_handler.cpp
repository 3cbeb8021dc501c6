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
    AddRef();  // the registration's own: the documentation does not say that the store takes one
    return true;
}

bool AudioSystemEffectPropertyChangedEventHandler::registered() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return registered_;
}

void AudioSystemEffectPropertyChangedEventHandler::Unregister()
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
        store.Swap(store_);  // mingw-w64's move assignment would copy
    }
    const HRESULT hr = store->UnregisterPropertyChangeNotification(this);
    gate_.wait_idle();
    store.Reset();
    if (FAILED(hr)) {
        // Still registered as far as Windows knows: the object must outlive the registration.
        base::log_wprintf(L"Failed to unregister property change notifiction, hr: 0x%08X\n", static_cast<unsigned>(hr));
        return;
    }
    Release();  // the registration's own; may free this object
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
