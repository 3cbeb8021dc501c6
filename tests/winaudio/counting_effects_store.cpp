#include "counting_effects_store.h"

using Microsoft::WRL::ComPtr;

namespace qev::winaudio::test {

CountingEffectsStore::CountingEffectsStore(ComPtr<base::IAudioSystemEffectsPropertyStore> inner, std::atomic<int>& live)
    : inner_(std::move(inner)), live_(live)
{
    ++live_;
}

CountingEffectsStore::~CountingEffectsStore()
{
    --live_;
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
    base::IAudioSystemEffectsPropertyChangeNotificationClient* client)
{
    return inner_->RegisterPropertyChangeNotification(client);
}

HRESULT CountingEffectsStore::UnregisterPropertyChangeNotification(
    base::IAudioSystemEffectsPropertyChangeNotificationClient* client)
{
    return inner_->UnregisterPropertyChangeNotification(client);
}

ComPtr<base::IAudioSystemEffectsPropertyStore> CountEffectsStore(ComPtr<base::IAudioSystemEffectsPropertyStore> store,
                                                                 std::atomic<int>& live)
{
    return base::make_com<CountingEffectsStore>(std::move(store), live);
}

}  // namespace qev::winaudio::test
