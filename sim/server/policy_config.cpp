#include "policy_config.h"

#include <optional>

#include "default_roles.h"
#include "endpoint_catalog.h"
#include "endpoint_visibility.h"
#include "machine_change.h"
#include "machine_layout.h"
#include "store_values.h"

namespace qevsim {

namespace {

std::optional<EndpointId> existingEndpoint(PCWSTR deviceId)
{
    if (deviceId == nullptr) {
        return std::nullopt;
    }
    auto id = EndpointId::parse(deviceId);
    if (!id || !EndpointCatalog::state(*id)) {
        return std::nullopt;
    }
    return id;
}

StoreAddress storeOf(const EndpointId& id, BOOL fxStore)
{
    return fxStore ? StoreAddress::fx(id) : StoreAddress::device(id);
}

}  // namespace

HRESULT PolicyConfig::GetMixFormat(PCWSTR, WAVEFORMATEX**)
{
    return E_NOTIMPL;
}

HRESULT PolicyConfig::GetDeviceFormat(PCWSTR, INT, WAVEFORMATEX**)
{
    return E_NOTIMPL;
}

HRESULT PolicyConfig::ResetDeviceFormat(PCWSTR)
{
    return E_NOTIMPL;
}

HRESULT PolicyConfig::SetDeviceFormat(PCWSTR, WAVEFORMATEX*, WAVEFORMATEX*)
{
    return E_NOTIMPL;
}

HRESULT PolicyConfig::GetProcessingPeriod(PCWSTR, INT, PINT64, PINT64)
{
    return E_NOTIMPL;
}

HRESULT PolicyConfig::SetProcessingPeriod(PCWSTR, PINT64)
{
    return E_NOTIMPL;
}

HRESULT PolicyConfig::GetShareMode(PCWSTR, DeviceShareMode*)
{
    return E_NOTIMPL;
}

HRESULT PolicyConfig::SetShareMode(PCWSTR, DeviceShareMode*)
{
    return E_NOTIMPL;
}

HRESULT PolicyConfig::GetPropertyValue(PCWSTR deviceId, BOOL fxStore, const PROPERTYKEY& key, PROPVARIANT* value)
{
    if (value == nullptr) {
        return E_POINTER;
    }
    PropVariantInit(value);
    const auto id = existingEndpoint(deviceId);
    if (!id) {
        return kElementNotFound;
    }
    return StoreValues::read(storeOf(*id, fxStore), key, value);
}

HRESULT PolicyConfig::SetPropertyValue(PCWSTR deviceId, BOOL fxStore, const PROPERTYKEY& key, PROPVARIANT* value)
{
    if (value == nullptr) {
        return E_POINTER;
    }
    const auto id = existingEndpoint(deviceId);
    if (!id) {
        return kElementNotFound;
    }
    return StoreValues::write(storeOf(*id, fxStore), key, *value);
}

HRESULT PolicyConfig::SetDefaultEndpoint(PCWSTR deviceId, ERole role)
{
    const auto id = existingEndpoint(deviceId);
    if (!id) {
        return kElementNotFound;
    }
    if (role < eConsole || role > eCommunications) {
        return E_INVALIDARG;
    }
    const MachineChange change(MachineChange::Reach::Structure);
    return HRESULT_FROM_WIN32(DefaultRoles::set(*id, role));
}

HRESULT PolicyConfig::SetEndpointVisibility(PCWSTR deviceId, BOOL visible)
{
    const auto id = existingEndpoint(deviceId);
    if (!id) {
        return kElementNotFound;
    }
    const MachineChange change(MachineChange::Reach::Structure);
    return visible ? EndpointVisibility::show(*id) : EndpointVisibility::hide(*id);
}

}  // namespace qevsim
