#pragma once

#include <windows.h>

#include <mmdeviceapi.h>
#include <wrl/client.h>

#include <atomic>

namespace qev::winaudio::test {

// An endpoint that passes every call on to a real one, but hands out its effect stores wrapped in
// CountingEffectsStore, so a test sees whether the code under test gives all of them back.
// Interfaces other than IMMDevice are answered by the real endpoint.
class CountingEffectsDevice final : public IMMDevice {
public:
    CountingEffectsDevice(Microsoft::WRL::ComPtr<IMMDevice> inner, std::atomic<int>& liveStores);
    CountingEffectsDevice(const CountingEffectsDevice&) = delete;
    CountingEffectsDevice& operator=(const CountingEffectsDevice&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Activate(REFIID iid, DWORD context, PROPVARIANT* parameters, void** object) override;
    HRESULT STDMETHODCALLTYPE OpenPropertyStore(DWORD access, IPropertyStore** store) override;
    HRESULT STDMETHODCALLTYPE GetId(LPWSTR* id) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD* state) override;

private:
    ~CountingEffectsDevice() = default;

    std::atomic<ULONG> references_{1};
    Microsoft::WRL::ComPtr<IMMDevice> inner_;
    std::atomic<int>& liveStores_;
};

// A CountingEffectsDevice over device whose effect stores are counted by liveStores.
Microsoft::WRL::ComPtr<IMMDevice> CountEffectsStoresOf(Microsoft::WRL::ComPtr<IMMDevice> device,
                                                       std::atomic<int>& liveStores);

}  // namespace qev::winaudio::test
