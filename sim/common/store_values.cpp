#include "store_values.h"

#include "machine_change.h"
#include "property_codec.h"
#include "reg_key.h"

namespace qevsim {

namespace {

constexpr HRESULT kElementNotFound = HRESULT_FROM_WIN32(ERROR_NOT_FOUND);

const wchar_t* storeName(StoreAddress::Kind kind)
{
    switch (kind) {
    case StoreAddress::Kind::Default:
        return L"Default";
    case StoreAddress::Kind::User:
        return L"User";
    default:
        return L"Volatile";
    }
}

}  // namespace

std::optional<StoreAccess> StoreAccess::from(DWORD stgm)
{
    switch (stgm) {
    case STGM_READ:
        return StoreAccess{true, false};
    case STGM_WRITE:
        return StoreAccess{false, true};
    case STGM_READWRITE:
        return StoreAccess{true, true};
    default:
        return std::nullopt;
    }
}

std::wstring StoreAddress::keyPath() const
{
    switch (kind) {
    case Kind::Device:
        return endpoint.propertiesPath();
    case Kind::Fx:
        return endpoint.fxPath();
    default:
        return endpoint.fxPath() + L"\\" + context + L"\\" + storeName(kind);
    }
}

std::wstring StoreAddress::ownerPath() const
{
    return perApo() ? keyPath() : endpoint.keyPath();
}

ChangeRecord StoreAddress::change(const PROPERTYKEY& key) const
{
    ChangeRecord record;
    record.kind = perApo() ? ChangeRecord::Kind::EffectProperty : ChangeRecord::Kind::Property;
    record.endpoint = endpoint.text();
    record.text = PropertyCodec::valueName(key);
    if (perApo()) {
        record.context = context;
        record.number = static_cast<DWORD>(kind) - static_cast<DWORD>(Kind::Default);
    }
    return record;
}

HRESULT StoreValues::read(const StoreAddress& address, const PROPERTYKEY& key, PROPVARIANT* value)
{
    if (value == nullptr) {
        return E_POINTER;
    }
    PropVariantInit(value);
    const RegKey regKey = RegKey::open(HKEY_LOCAL_MACHINE, address.keyPath(), KEY_READ);
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

HRESULT StoreValues::write(const StoreAddress& address, const PROPERTYKEY& key, const PROPVARIANT& value)
{
    MachineChange change(MachineChange::Reach::Values);
    if (!keyExists(HKEY_LOCAL_MACHINE, address.ownerPath())) {
        return kElementNotFound;  // a write never brings a removed endpoint or store back
    }
    const HRESULT hr = writeValue(address, PropertyCodec::valueName(key), value);
    if (SUCCEEDED(hr)) {
        change.record(address.change(key));
    }
    return hr;
}

HRESULT StoreValues::writeValue(const StoreAddress& address, const std::wstring& name, const PROPVARIANT& value)
{
    if (value.vt == VT_EMPTY) {
        const RegKey regKey = RegKey::open(HKEY_LOCAL_MACHINE, address.keyPath(), KEY_SET_VALUE);
        const LONG rc = regKey ? regKey.deleteValue(name) : ERROR_FILE_NOT_FOUND;
        return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(rc);
    }
    RegValue stored;
    const HRESULT hr = PropertyCodec::encode(value, &stored);
    if (FAILED(hr)) {
        return hr;
    }
    LONG rc = ERROR_SUCCESS;
    const RegKey regKey = RegKey::create(HKEY_LOCAL_MACHINE, address.keyPath(), KEY_SET_VALUE, &rc);
    if (!regKey) {
        return HRESULT_FROM_WIN32(rc);
    }
    return HRESULT_FROM_WIN32(regKey.setValue(name, stored.type, stored.data));
}

}  // namespace qevsim
