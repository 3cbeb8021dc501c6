#include "counting_effects_store.h"

using Microsoft::WRL::ComPtr;

namespace qev::winaudio::test {

CountingEffectsStore::CountingEffectsStore(ComPtr<IAudioSystemEffectsPropertyStore> inner, std::atomic<int>& live)
    : inner_(std::move(inner)), live_(live)
{
    ++live_;
}

CountingEffectsStore::~CountingEffectsStore()
{
    --live_;
}

HRESULT CountingEffectsStore::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr) {
        return E_POINTER;
    }
    if (iid == __uuidof(IUnknown) || iid == kAudioSystemEffectsPropertyStoreIid) {
        *object = static_cast<IAudioSystemEffectsPropertyStore*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CountingEffectsStore::AddRef()
{
    return ++references_;
}

ULONG CountingEffectsStore::Release()
{
    const ULONG left = --references_;
    if (left == 0) {
        delete this;
    }
    return left;
}

HRESULT CountingEffectsStore::OpenDefaultPropertyStore(DWORD access, IPropertyStore** store)
{
    return inner_->OpenDefaultPropertyStore(access, store);
}

HRESULT CountingEffectsStore::OpenUserPropertyStore(DWORD access, IPropertyStore** store)
{
    return inner_->OpenUserPropertyStore(access, store);
}

HRESULT CountingEffectsStore::OpenVolatilePropertyStore(DWORD access, IPropertyStore** store)
{
    return inner_->OpenVolatilePropertyStore(access, store);
}

HRESULT CountingEffectsStore::ResetUserPropertyStore()
{
    return inner_->ResetUserPropertyStore();
}

HRESULT CountingEffectsStore::ResetVolatilePropertyStore()
{
    return inner_->ResetVolatilePropertyStore();
}

HRESULT CountingEffectsStore::RegisterPropertyChangeNotification(
    IAudioSystemEffectsPropertyChangeNotificationClient* client)
{
    return inner_->RegisterPropertyChangeNotification(client);
}

HRESULT CountingEffectsStore::UnregisterPropertyChangeNotification(
    IAudioSystemEffectsPropertyChangeNotificationClient* client)
{
    return inner_->UnregisterPropertyChangeNotification(client);
}

ComPtr<IAudioSystemEffectsPropertyStore> CountEffectsStore(ComPtr<IAudioSystemEffectsPropertyStore> store,
                                                           std::atomic<int>& live)
{
    ComPtr<IAudioSystemEffectsPropertyStore> counted;
    // Adopts the new object's only reference (mingw's ComPtr::Attach would add one).
    *counted.ReleaseAndGetAddressOf() = new CountingEffectsStore(std::move(store), live);
    return counted;
}

}  // namespace qev::winaudio::test
