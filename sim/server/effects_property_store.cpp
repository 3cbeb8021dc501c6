#include "effects_property_store.h"

#include "endpoint_catalog.h"
#include "notification_hub.h"
#include "property_codec.h"
#include "reg_key.h"
#include "registry_property_store.h"

namespace qevsim {

EffectsPropertyStore::EffectsPropertyStore(EndpointId endpoint, std::wstring context)
    : endpoint_(std::move(endpoint)), context_(std::move(context))
{}

std::wstring EffectsPropertyStore::storePath(const wchar_t* name) const
{
    return endpoint_.fxPath() + L"\\" + context_ + L"\\" + name;
}

std::wstring EffectsPropertyStore::scope() const
{
    return endpoint_.text() + L"|" + context_;
}

HRESULT EffectsPropertyStore::open(StoreAddress::Kind kind, DWORD access, IPropertyStore** store) const
{
    if (store == nullptr) {
        return E_POINTER;
    }
    *store = nullptr;
    const auto mode = StoreAccess::from(access);
    if (!mode) {
        return E_INVALIDARG;
    }
    // Only stores whose key exists open; none is made here.
    StoreAddress address{endpoint_, kind, context_};
    if (!keyExists(HKEY_LOCAL_MACHINE, address.keyPath())) {
        return kElementNotFound;
    }
    return handOut(new (std::nothrow) RegistryPropertyStore(std::move(address), *mode), IID_IPropertyStore,
                   reinterpret_cast<void**>(store));
}

HRESULT EffectsPropertyStore::reset(const wchar_t* name) const
{
    const RegKey key = RegKey::open(HKEY_LOCAL_MACHINE, storePath(name), KEY_READ | KEY_SET_VALUE);
    for (const auto& value : key.values()) {
        key.deleteValue(value.name);
    }
    return S_OK;
}

HRESULT EffectsPropertyStore::OpenDefaultPropertyStore(DWORD access, IPropertyStore** store)
{
    return open(StoreAddress::Kind::Default, access, store);
}

HRESULT EffectsPropertyStore::OpenUserPropertyStore(DWORD access, IPropertyStore** store)
{
    return open(StoreAddress::Kind::User, access, store);
}

HRESULT EffectsPropertyStore::OpenVolatilePropertyStore(DWORD access, IPropertyStore** store)
{
    return open(StoreAddress::Kind::Volatile, access, store);
}

HRESULT EffectsPropertyStore::ResetUserPropertyStore()
{
    return reset(L"User");
}

HRESULT EffectsPropertyStore::ResetVolatilePropertyStore()
{
    return reset(L"Volatile");
}

HRESULT EffectsPropertyStore::RegisterPropertyChangeNotification(
    IAudioSystemEffectsPropertyChangeNotificationClient* client)
{
    // The documentation does not say that the store takes a reference: it takes none.
    return NotificationHub::instance().add(ClientKind::EffectStore, scope(), client, false);
}

HRESULT EffectsPropertyStore::UnregisterPropertyChangeNotification(
    IAudioSystemEffectsPropertyChangeNotificationClient* client)
{
    return NotificationHub::instance().remove(ClientKind::EffectStore, scope(), client);
}

}  // namespace qevsim
