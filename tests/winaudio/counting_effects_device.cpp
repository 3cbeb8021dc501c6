#include "counting_effects_device.h"

#include "base/com_object.h"
#include "counting_effects_store.h"
#include "base/audio_system_effects_property_store.h"

using Microsoft::WRL::ComPtr;

namespace qev::winaudio::test {

CountingEffectsDevice::CountingEffectsDevice(ComPtr<IMMDevice> inner, std::atomic<int>& liveStores)
    : inner_(std::move(inner)), liveStores_(liveStores)
{}

HRESULT CountingEffectsDevice::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr) {
        return E_POINTER;
    }
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IMMDevice)) {
        *object = static_cast<IMMDevice*>(this);
        AddRef();
        return S_OK;
    }
    return inner_->QueryInterface(iid, object);
}

ULONG CountingEffectsDevice::AddRef()
{
    return ++references_;
}

ULONG CountingEffectsDevice::Release()
{
    const ULONG left = --references_;
    if (left == 0) {
        delete this;
    }
    return left;
}

HRESULT CountingEffectsDevice::Activate(REFIID iid, DWORD context, PROPVARIANT* parameters, void** object)
{
    const HRESULT hr = inner_->Activate(iid, context, parameters, object);
    if (FAILED(hr) || iid != __uuidof(base::IAudioSystemEffectsPropertyStore)) {
        return hr;
    }
    ComPtr<base::IAudioSystemEffectsPropertyStore> real;
    *real.ReleaseAndGetAddressOf() = static_cast<base::IAudioSystemEffectsPropertyStore*>(*object);
    *object = CountEffectsStore(std::move(real), liveStores_).Detach();
    return hr;
}

HRESULT CountingEffectsDevice::OpenPropertyStore(DWORD access, IPropertyStore** store)
{
    return inner_->OpenPropertyStore(access, store);
}

HRESULT CountingEffectsDevice::GetId(LPWSTR* id)
{
    return inner_->GetId(id);
}

HRESULT CountingEffectsDevice::GetState(DWORD* state)
{
    return inner_->GetState(state);
}

ComPtr<IMMDevice> CountEffectsStoresOf(ComPtr<IMMDevice> device, std::atomic<int>& liveStores)
{
    return base::make_com<CountingEffectsDevice>(std::move(device), liveStores);
}

}  // namespace qev::winaudio::test
