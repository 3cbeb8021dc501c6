#include "effects/settings/apo_fx_lists.h"

#include <vector>

#include "datapath/catalogue/catalogue.h"
#include "effects/settings/clsid_list.h"
#include "effects/settings/driver_fx_key.h"
#include "effects/settings/endpoint_fx_paths.h"
#include "effects/settings/fx_clsid_tables.h"
#include "effects/settings/fx_registry_access.h"
#include "effects/settings/fx_value_names.h"
#include "sysinfo/wide_text.h"

namespace qev::effects {

namespace {

constexpr const wchar_t* kCompositeLists[] = {kStreamEffectList, kModeEffectList, kEndpointEffectList};

// The endpoint's list; empty when it can't be read.
std::vector<std::wstring> read_list(const std::wstring& key, const std::wstring& list)
{
    std::vector<std::wstring> values;
    FxRegistryAccess::RegReadMultiString(key, list, values);
    return values;
}

// The FX key of an endpoint whose direction is known and whose key exists; empty otherwise.
std::wstring existing_fx_key(const std::wstring& endpointId, EndpointDirection direction)
{
    std::wstring key = EndpointFxPaths::EndpointFxKeyPath(endpointId, direction);
    return !key.empty() && FxRegistryAccess::RegKeyExists(key) ? key : std::wstring();
}

bool has_apo_context_subkey(const std::wstring& fxKey)
{
    std::vector<std::wstring> subkeys;
    FxRegistryAccess::RegEnumSubKeys(fxKey, subkeys);
    for (const std::wstring& name : subkeys) {
        if (sysinfo::EqualsIgnoreCase(name, std::wstring(datapath::kApoContextClsid))) {
            return true;
        }
    }
    return false;
}

// Removes the list's markers, then deletes the list if it ends empty or writes it back.
void remove_markers(const std::wstring& fxKey, const std::wstring& list)
{
    std::vector<std::wstring> values;
    if (!FxRegistryAccess::RegReadMultiString(fxKey, list, values) || values.empty()) {
        return;
    }
    RemoveClsids(values, ClsidsOfList(ApoMarkerClsids(), list));
    if (values.empty()) {
        FxRegistryAccess::RegDeleteValue(fxKey, list);
    } else {
        FxRegistryAccess::RegWriteMultiString(fxKey, list, values);
    }
}

}  // namespace

ApoRegistration ApoFxLists::FindRegisteredApo(const std::wstring& endpointId)
{
    const EndpointDirection direction = ResolveDirection(endpointId, EndpointDirection::Unknown);
    const std::wstring fxKey = EndpointFxPaths::EndpointFxKeyPath(endpointId, direction);
    if (fxKey.empty()) {
        return ApoRegistration::None;
    }
    const std::wstring specific(direction == EndpointDirection::Capture ? datapath::kCaptureModeApoClsid
                                                                        : datapath::kRenderModeApoClsid);
    for (const wchar_t* list : {kEndpointEffectList, kModeEffectList, kStreamEffectList}) {
        std::vector<std::wstring> values;
        if (!FxRegistryAccess::RegReadMultiString(fxKey, list, values)) {
            continue;
        }
        if (ContainsClsid(values, std::wstring(datapath::kGenericApoClsid))) {
            return ApoRegistration::Generic;
        }
        if (ContainsClsid(values, specific)) {
            return ApoRegistration::DirectionSpecific;
        }
    }
    return ApoRegistration::None;
}

void ApoFxLists::GetStoreGeneration(const std::wstring& endpointId, StoreGeneration& generation,
                                    ApoRegistration& registration)
{
    generation = StoreGeneration::None;
    registration = ApoRegistration::None;
    const std::wstring fxKey = existing_fx_key(endpointId, EndpointDirection::Unknown);
    if (!fxKey.empty()) {
        if (has_apo_context_subkey(fxKey)) {
            generation = StoreGeneration::PerApoStores;
        } else if (FxRegistryAccess::RegValueExists(fxKey, kFxSettingsMarkerValue)) {
            generation = StoreGeneration::FxValues;
        }
    }
    registration = FindRegisteredApo(endpointId);
}

bool ApoFxLists::HasApoInFx(const std::wstring& endpointId, EndpointDirection direction)
{
    const std::wstring fxKey = existing_fx_key(endpointId, direction);
    if (fxKey.empty()) {
        return false;
    }
    for (const wchar_t* list : kCompositeLists) {
        if (ContainsAnyClsid(read_list(fxKey, list), ClsidsOfList(ApoMarkerClsids(), list))) {
            return true;
        }
    }
    return false;
}

bool ApoFxLists::CompareFxWithDriver(const std::wstring& endpointId, EndpointDirection direction, bool& differs)
{
    direction = ResolveDirection(endpointId, direction);
    std::wstring driverKey;
    if (!DriverFxKey::DriverFxKeyPath(endpointId, direction, driverKey)) {
        return false;
    }
    const std::wstring fxKey = EndpointFxPaths::EndpointFxKeyPath(endpointId, direction);
    differs = false;
    for (const wchar_t* list : kCompositeLists) {
        std::vector<std::wstring> driverValues;
        if (!FxRegistryAccess::RegReadMultiString(driverKey, list, driverValues)) {
            continue;
        }
        std::vector<std::wstring> endpointValues = read_list(fxKey, list);
        const std::vector<std::wstring>& owned = ClsidsOfList(OwnedFxClsids(), list);
        RemoveClsids(driverValues, owned);
        RemoveClsids(endpointValues, owned);
        if (driverValues.size() != endpointValues.size()) {
            differs = true;
            break;
        }
    }
    return true;
}

void ApoFxLists::RemoveApoFromFx(const std::wstring& endpointId, EndpointDirection direction)
{
    const std::wstring fxKey = existing_fx_key(endpointId, direction);
    if (fxKey.empty()) {
        return;
    }
    for (const wchar_t* list : kCompositeLists) {
        remove_markers(fxKey, list);
    }
}

}  // namespace qev::effects
