#pragma once

#include <windows.h>

#include <wrl/client.h>

#include <cstdint>
#include <mutex>

#include "base/audio_system_effects_property_store.h"
#include "base/com_object.h"
#include "winaudio/callback_gate.h"

namespace qev::winaudio {

// Change-notification client of one Windows 11 effect store. Created with count 1, unregistered and
// without callback; Register starts delivery and makes it hold a reference to itself until it is
// unregistered (its life never rests on the store's). Unregistration clears the callback under the
// mutex, calls Windows outside it and waits for callbacks still running on other threads.
class AudioSystemEffectPropertyChangedEventHandler final
    : public base::ComObject<base::IAudioSystemEffectsPropertyChangeNotificationClient> {
public:
    using Callback = HRESULT (*)(std::uint32_t storeType, const PROPERTYKEY* key, void* context);

    explicit AudioSystemEffectPropertyChangedEventHandler(
        Microsoft::WRL::ComPtr<base::IAudioSystemEffectsPropertyStore> store);

    bool Register(Callback callback, void* context);
    // Used by the owner before it lets go; logs failures with the owner's message.
    void Unregister();
    bool registered() const;

    HRESULT STDMETHODCALLTYPE OnPropertyChanged(base::AUDIO_SYSTEMEFFECTS_PROPERTYSTORE_TYPE type,
                                                const PROPERTYKEY key) override;

private:
    ~AudioSystemEffectPropertyChangedEventHandler() override = default;

    bool registered_ = false;
    Microsoft::WRL::ComPtr<base::IAudioSystemEffectsPropertyStore> store_;
    void* context_ = nullptr;
    Callback callback_ = nullptr;
    mutable std::mutex mutex_;
    CallbackGate gate_;
};

}  // namespace qev::winaudio
