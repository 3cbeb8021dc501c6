#pragma once

#include <windows.h>

#include <wrl/client.h>

#include <atomic>

#include "base/audio_system_effects_property_store.h"
#include "base/com_object.h"

namespace qev::winaudio::test {

// Passes every call on to a real effect store and counts its live instances, so a test can see
// whether everyone it was handed to gave it back.
class CountingEffectsStore final : public base::ComObject<base::IAudioSystemEffectsPropertyStore> {
public:
    // Starts with one reference, owned by the caller; live counts this object until it is freed.
    CountingEffectsStore(Microsoft::WRL::ComPtr<base::IAudioSystemEffectsPropertyStore> inner, std::atomic<int>& live);

    HRESULT STDMETHODCALLTYPE OpenDefaultPropertyStore(DWORD access, IPropertyStore** store) override;
    HRESULT STDMETHODCALLTYPE OpenUserPropertyStore(DWORD access, IPropertyStore** store) override;
    HRESULT STDMETHODCALLTYPE OpenVolatilePropertyStore(DWORD access, IPropertyStore** store) override;
    HRESULT STDMETHODCALLTYPE ResetUserPropertyStore() override;
    HRESULT STDMETHODCALLTYPE ResetVolatilePropertyStore() override;
    HRESULT STDMETHODCALLTYPE
    RegisterPropertyChangeNotification(base::IAudioSystemEffectsPropertyChangeNotificationClient* client) override;
    HRESULT STDMETHODCALLTYPE
    UnregisterPropertyChangeNotification(base::IAudioSystemEffectsPropertyChangeNotificationClient* client) override;

private:
    ~CountingEffectsStore() override;

    Microsoft::WRL::ComPtr<base::IAudioSystemEffectsPropertyStore> inner_;
    std::atomic<int>& live_;
};

// Wraps store (taking over its reference) in a CountingEffectsStore counted by live.
Microsoft::WRL::ComPtr<base::IAudioSystemEffectsPropertyStore> CountEffectsStore(
    Microsoft::WRL::ComPtr<base::IAudioSystemEffectsPropertyStore> store, std::atomic<int>& live);

}  // namespace qev::winaudio::test
