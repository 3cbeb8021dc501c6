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

RegistryPropertyStore::RegistryPropertyStore(std::wstring keyPath, std::wstring ownerPath, bool writable)
    : keyPath_(std::move(keyPath)), ownerPath_(std::move(ownerPath)), writable_(writable)
{}

HRESULT RegistryPropertyStore::GetCount(DWORD* count)
{
    if (count == nullptr) {
        return E_POINTER;
    }
    *count = static_cast<DWORD>(storedKeys(keyPath_).size());
    return S_OK;
}

HRESULT RegistryPropertyStore::GetAt(DWORD index, PROPERTYKEY* key)
{
    if (key == nullptr) {
        return E_POINTER;
    }
    const auto keys = storedKeys(keyPath_);
    if (index >= keys.size()) {
        return E_INVALIDARG;
    }
    *key = keys[index];
    return S_OK;
}

HRESULT RegistryPropertyStore::GetValue(REFPROPERTYKEY key, PROPVARIANT* value)
{
    return read(keyPath_, key, value);
}

HRESULT RegistryPropertyStore::SetValue(REFPROPERTYKEY key, REFPROPVARIANT value)
{
    if (!writable_) {
        return STG_E_ACCESSDENIED;
    }
    return write(keyPath_, ownerPath_, key, value);
}

HRESULT RegistryPropertyStore::Commit()
{
    // Values are written through at once.
    return S_OK;
}

HRESULT RegistryPropertyStore::read(const std::wstring& keyPath, const PROPERTYKEY& key, PROPVARIANT* value)
{
    if (value == nullptr) {
        return E_POINTER;
    }
    PropVariantInit(value);
    const RegKey regKey = RegKey::open(HKEY_LOCAL_MACHINE, keyPath, KEY_READ);
    const auto stored = regKey.value(PropertyCodec::valueName(key));
    if (!stored) {
        return S_OK;  // an absent value is an empty property
    }
    const HRESULT hr = PropertyCodec::decode(*stored, value);
    if (FAILED(hr)) {
        PropVariantClear(value);
    }
    return hr;
}

HRESULT RegistryPropertyStore::write(const std::wstring& keyPath, const std::wstring& ownerPath, const PROPERTYKEY& key,
                                     const PROPVARIANT& value)
{
    if (!keyExists(HKEY_LOCAL_MACHINE, ownerPath)) {
        return kElementNotFound;
    }
    const std::wstring name = PropertyCodec::valueName(key);
    if (value.vt == VT_EMPTY) {
        const RegKey regKey = RegKey::open(HKEY_LOCAL_MACHINE, keyPath, KEY_SET_VALUE);
        const LONG rc = regKey ? regKey.deleteValue(name) : ERROR_FILE_NOT_FOUND;
        return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(rc);
    }
    RegValue stored;
    const HRESULT hr = PropertyCodec::encode(value, &stored);
    if (FAILED(hr)) {
        return hr;
    }
    LONG rc = ERROR_SUCCESS;
    const RegKey regKey = RegKey::create(HKEY_LOCAL_MACHINE, keyPath, KEY_SET_VALUE, &rc);
    if (!regKey) {
        return HRESULT_FROM_WIN32(rc);
    }
    rc = regKey.setValue(name, stored.type, stored.data);
    return HRESULT_FROM_WIN32(rc);
}

}  // namespace qevsim
