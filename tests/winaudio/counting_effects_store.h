#pragma once

#include <windows.h>

#include <wrl/client.h>

#include <atomic>

#include "winaudio/audio_system_effects_property_store.h"

namespace qev::winaudio::test {

// Passes every call on to a real effect store and counts its live instances, so a test can see
// whether everyone it was handed to gave it back.
class CountingEffectsStore final : public IAudioSystemEffectsPropertyStore {
public:
    // Starts with one reference, owned by the caller; live counts this object until it is freed.
    CountingEffectsStore(Microsoft::WRL::ComPtr<IAudioSystemEffectsPropertyStore> inner, std::atomic<int>& live);
    CountingEffectsStore(const CountingEffectsStore&) = delete;
    CountingEffectsStore& operator=(const CountingEffectsStore&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE OpenDefaultPropertyStore(DWORD access, IPropertyStore** store) override;
    HRESULT STDMETHODCALLTYPE OpenUserPropertyStore(DWORD access, IPropertyStore** store) override;
    HRESULT STDMETHODCALLTYPE OpenVolatilePropertyStore(DWORD access, IPropertyStore** store) override;
    HRESULT STDMETHODCALLTYPE ResetUserPropertyStore() override;
    HRESULT STDMETHODCALLTYPE ResetVolatilePropertyStore() override;
    HRESULT STDMETHODCALLTYPE RegisterPropertyChangeNotification(
        IAudioSystemEffectsPropertyChangeNotificationClient* client) override;
    HRESULT STDMETHODCALLTYPE UnregisterPropertyChangeNotification(
        IAudioSystemEffectsPropertyChangeNotificationClient* client) override;

private:
    ~CountingEffectsStore();

    std::atomic<ULONG> references_{1};
    Microsoft::WRL::ComPtr<IAudioSystemEffectsPropertyStore> inner_;
    std::atomic<int>& live_;
};

// Wraps store (taking over its reference) in a CountingEffectsStore counted by live.
Microsoft::WRL::ComPtr<IAudioSystemEffectsPropertyStore> CountEffectsStore(
    Microsoft::WRL::ComPtr<IAudioSystemEffectsPropertyStore> store, std::atomic<int>& live);

}  // namespace qev::winaudio::test
