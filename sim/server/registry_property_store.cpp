#include "registry_property_store.h"

#include <vector>

#include "audio_interfaces.h"
#include "property_codec.h"
#include "reg_key.h"

namespace qevsim {

namespace {

std::vector<PROPERTYKEY> storedKeys(const std::wstring& keyPath)
{
    std::vector<PROPERTYKEY> keys;
    const RegKey key = RegKey::open(HKEY_LOCAL_MACHINE, keyPath, KEY_READ);
    for (const auto& value : key.values()) {
        if (const auto parsed = PropertyCodec::parseValueName(value.name)) {
            keys.push_back(*parsed);
        }
    }
    return keys;
}

}  // namespace

RegistryPropertyStore::RegistryPropertyStore(StoreAddress address, StoreAccess access)
    : address_(std::move(address)), access_(access)
{}

HRESULT RegistryPropertyStore::GetCount(DWORD* count)
{
    if (count == nullptr) {
        return E_POINTER;
    }
    *count = static_cast<DWORD>(storedKeys(address_.keyPath()).size());
    return S_OK;
}

HRESULT RegistryPropertyStore::GetAt(DWORD index, PROPERTYKEY* key)
{
    if (key == nullptr) {
        return E_POINTER;
    }
    const auto keys = storedKeys(address_.keyPath());
    if (index >= keys.size()) {
        return E_INVALIDARG;
    }
    *key = keys[index];
    return S_OK;
}

HRESULT RegistryPropertyStore::GetValue(REFPROPERTYKEY key, PROPVARIANT* value)
{
    if (value != nullptr && !access_.read) {
        PropVariantInit(value);
        return STG_E_ACCESSDENIED;
    }
    return StoreValues::read(address_, key, value);
}

HRESULT RegistryPropertyStore::SetValue(REFPROPERTYKEY key, REFPROPVARIANT value)
{
    if (!access_.write) {
        return STG_E_ACCESSDENIED;
    }
    return StoreValues::write(address_, key, value);
}

HRESULT RegistryPropertyStore::Commit()
{
    // Values are written through at once.
    return S_OK;
}

}  // namespace qevsim
