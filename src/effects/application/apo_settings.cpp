#include "effects/application/apo_settings.h"

#include <vector>

#include "base/logging.h"
#include "effects/application/endpoint_lookup.h"
#include "effects/environment/apo_environment.h"
#include "effects/settings/clsid_list.h"
#include "effects/settings/fx_clsid_tables.h"
#include "effects/settings/fx_value_names.h"
#include "effects/settings/property_key_text.h"
#include "sysinfo/wide_text.h"
#include "winaudio/audio_endpoint_property_store.h"
#include "winaudio/endpoint_queries.h"

using Microsoft::WRL::ComPtr;
using qev::winaudio::AudioEndpointPropertyStore;

namespace qev::effects {

namespace {

constexpr auto kFxStore = winaudio::FxProperties;

std::wstring reference_name(const std::wstring& clsid)
{
    return clsid + kHkrReferenceSuffix;
}

// Each owned CLSID that the FX store's composite lists hold for their list, once.
std::vector<std::wstring> owned_clsids_in_lists(const AudioEndpointPropertyStore& store)
{
    std::vector<std::wstring> found;
    for (const FxListClsids& row : OwnedFxClsids()) {
        PROPERTYKEY key{};
        std::vector<std::wstring> values;
        if (!PropertyKeyFromText(row.list, key) || !store.GetStringVector(kFxStore, key, values)) {
            continue;
        }
        for (const std::wstring& clsid : values) {
            if (ContainsClsid(row.clsids, clsid) && !ContainsClsid(found, clsid)) {
                found.push_back(clsid);
            }
        }
    }
    return found;
}

// Writes the reference unless the store already holds the same text (any case).
bool write_if_different(const AudioEndpointPropertyStore& store, const PROPERTYKEY& key, const std::wstring& text)
{
    std::wstring current;
    if (store.GetString(kFxStore, key, current) && sysinfo::EqualsIgnoreCase(current, text)) {
        return false;
    }
    return store.SetString(kFxStore, key, text);
}

bool write_device_path(const AudioEndpointPropertyStore& store, const std::wstring& devicePath)
{
    bool changed = false;
    for (const std::wstring& clsid : owned_clsids_in_lists(store)) {
        PROPERTYKEY key{};
        if (PropertyKeyFromText(reference_name(clsid), key) && write_if_different(store, key, devicePath)) {
            changed = true;
        }
    }
    return changed;
}

bool write_reference_map(const AudioEndpointPropertyStore& store, const DirectionEnvironment& direction)
{
    bool changed = false;
    for (const auto& [name, text] : direction.hkrReferences) {
        PROPERTYKEY key{};
        if (!PropertyKeyFromText(name, key)) {
            continue;
        }
        bool present = true;
        store.HasValue(kFxStore, key, present);
        std::wstring current;
        if (present && !store.GetString(kFxStore, key, current)) {
            base::log_wprintf(L"Failed to get existed hkr apo info for capture\n");
            continue;
        }
        if ((!present || !sysinfo::EqualsIgnoreCase(current, text)) && store.SetString(kFxStore, key, text)) {
            changed = true;
        }
    }
    return changed;
}

}  // namespace

bool CheckApoSettings(const std::wstring& endpointId, bool& allPresent)
{
    allPresent = true;
    const ComPtr<IMMDevice> device = LookUpEndpoint(endpointId);
    if (!device) {
        return false;
    }
    const AudioEndpointPropertyStore store(device, L"");
    for (const std::wstring& clsid : owned_clsids_in_lists(store)) {
        PROPERTYKEY key{};
        std::wstring reference;
        if (!PropertyKeyFromText(reference_name(clsid), key) || !store.GetString(kFxStore, key, reference) ||
            reference.empty()) {
            allPresent = false;
        }
    }
    return true;
}

bool WriteApoSettings(const std::wstring& endpointId, bool& changed)
{
    changed = false;
    const ApoEnvironment environment = GetApoEnvironment();
    if (environment.mode != 2) {
        return false;
    }
    const ComPtr<IMMDevice> device = LookUpEndpoint(endpointId);
    EDataFlow flow = eAll;
    if (!device || !winaudio::GetDataFlow(device, flow)) {
        return false;
    }
    const DirectionEnvironment* direction = environment.ForDirection(DirectionFromDataFlow(flow));
    if (direction == nullptr) {
        return false;
    }
    const AudioEndpointPropertyStore store(device, L"");
    if (direction->hkrReferences.empty()) {
        changed = !environment.apoDevicePath.empty() && write_device_path(store, environment.apoDevicePath);
    } else {
        changed = write_reference_map(store, *direction);
    }
    return true;
}

bool ClearApoSettings(const std::wstring& endpointId, bool& changed)
{
    changed = false;
    const ComPtr<IMMDevice> device = LookUpEndpoint(endpointId);
    if (!device) {
        return false;
    }
    const AudioEndpointPropertyStore store(device, L"");
    for (const FxListClsids& row : OwnedFxClsids()) {
        for (const std::wstring& clsid : row.clsids) {
            PROPERTYKEY key{};
            std::wstring reference;
            if (PropertyKeyFromText(reference_name(clsid), key) && store.GetString(kFxStore, key, reference) &&
                store.ClearFxValue(key)) {
                changed = true;
            }
        }
    }
    return true;
}

bool HasStoreMarker(const std::wstring& endpointId)
{
    const ComPtr<IMMDevice> device = LookUpEndpoint(endpointId);
    if (!device) {
        return true;
    }
    EDataFlow flow = eAll;
    if (!winaudio::GetDataFlow(device, flow)) {
        base::log_wprintf(L"Failed to get device dataflow\n");
        return true;
    }
    const AudioEndpointPropertyStore store(device, L"");
    PROPERTYKEY key{};
    bool present = false;
    return PropertyKeyFromText(kStoreMarkerValue, key) && store.HasValue(kFxStore, key, present) && present;
}

}  // namespace qev::effects
