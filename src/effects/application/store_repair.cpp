#include "effects/application/store_repair.h"

#include <wrl/client.h>

#include <algorithm>
#include <vector>

#include "base/logging.h"
#include "datapath/catalogue/catalogue.h"
#include "effects/application/endpoint_lookup.h"
#include "effects/environment/apo_environment.h"
#include "effects/settings/clsid_list.h"
#include "effects/settings/driver_fx_key.h"
#include "effects/settings/endpoint_fx_paths.h"
#include "effects/settings/property_key_text.h"
#include "sysinfo/wide_text.h"
#include "winaudio/audio_endpoint_property_store.h"
#include "winsys/registry.h"

using Microsoft::WRL::ComPtr;
using qev::winaudio::AudioEndpointPropertyStore;

namespace qev::effects {

namespace {

constexpr const wchar_t* kDriverDefaults[] = {
    L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},9987", L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},9986",
    L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},9985", L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},9984",
    L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},9983", L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},9982",
    L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},9981", L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},9980"};

// The endpoint's store of its direction's generation, opened with the APO context.
struct SettingsStore {
    std::uint32_t generation = 2;
    EndpointDirection direction = EndpointDirection::Unknown;
    ComPtr<IMMDevice> device;

    winaudio::PropertyStoreType kind() const { return generation == 1 ? winaudio::Default : winaudio::FxProperties; }
    // Only "v3" opens the per-APO stores: opening them creates their keys, which would mark a "v2"
    // endpoint as one of the other generation.
    std::wstring effectContext() const { return generation == 1 ? std::wstring(datapath::kApoContextClsid) : L""; }
};

bool find_settings_store(const std::wstring& endpointId, SettingsStore& settings)
{
    settings.direction = ResolveDirection(endpointId, EndpointDirection::Unknown);
    const ApoEnvironment environment = GetApoEnvironment();
    const DirectionEnvironment* direction = environment.ForDirection(settings.direction);
    if (direction == nullptr) {
        return false;
    }
    settings.generation = direction->environment;
    settings.device = LookUpEndpoint(endpointId);
    return settings.device != nullptr;
}

// A list differs when the store has none, another count, or an element the backup lacks.
bool list_differs(const AudioEndpointPropertyStore& store, winaudio::PropertyStoreType kind, const PROPERTYKEY& key,
                  const std::vector<std::wstring>& backup)
{
    std::vector<std::wstring> current;
    if (!store.GetStringVector(kind, key, current) || current.size() != backup.size()) {
        return true;
    }
    return std::any_of(current.begin(), current.end(),
                       [&](const std::wstring& entry) { return !ContainsClsid(backup, entry); });
}

void sync_value(const AudioEndpointPropertyStore& store, winaudio::PropertyStoreType kind, const PROPERTYKEY& key,
                const winsys::RegistryValue& backup)
{
    if (const auto* text = std::get_if<std::wstring>(&backup)) {
        std::wstring current;
        if (!store.GetString(kind, key, current) || !sysinfo::EqualsIgnoreCase(current, *text)) {
            store.SetString(kind, key, *text);
        }
    } else if (const auto* number = std::get_if<DWORD>(&backup)) {
        DWORD current = 0;
        if (!store.GetDword(kind, key, current) || current != *number) {
            store.SetDword(kind, key, *number);
        }
    } else if (const auto* list = std::get_if<std::vector<std::wstring>>(&backup)) {
        if (list_differs(store, kind, key, *list)) {
            store.SetStringVector(kind, key, *list);
        }
    }
}

std::wstring backup_defaults_subkey(const SettingsStore& settings)
{
    const StoreGeneration generation =
        settings.generation == 1 ? StoreGeneration::PerApoStores : StoreGeneration::FxValues;
    const std::wstring path = EndpointFxPaths::BackupKeyPath(generation, settings.direction) + L"\\Default";
    return path.substr(path.find(L'\\') + 1);
}

}  // namespace

void SyncPerApoStores(const std::wstring& endpointId)
{
    SettingsStore settings;
    if (!find_settings_store(endpointId, settings)) {
        return;
    }
    const std::wstring subkey = backup_defaults_subkey(settings);
    std::vector<std::wstring> names;
    if (!winsys::enum_values(subkey, names)) {
        return;
    }
    const AudioEndpointPropertyStore store(settings.device, settings.effectContext());
    for (const std::wstring& name : names) {
        DWORD type = 0;
        winsys::RegistryValue backup;
        PROPERTYKEY key{};
        if (winsys::read_value(HKEY_LOCAL_MACHINE, subkey, name, type, backup) && PropertyKeyFromText(name, key)) {
            sync_value(store, settings.kind(), key, backup);
        }
    }
}

void RecoverDriverDefaults(const std::wstring& endpointId)
{
    SettingsStore settings;
    std::wstring driverKey;
    if (!find_settings_store(endpointId, settings) ||
        !DriverFxKey::DriverFxKeyPath(endpointId, settings.direction, driverKey)) {
        return;
    }
    if (settings.generation == 1) {
        driverKey += L"\\" + std::wstring(datapath::kApoContextClsid) + L"\\Default";
    }
    const size_t split = driverKey.find(L'\\');
    const HKEY root = winsys::root_key_from_name(driverKey.substr(0, split));
    const std::wstring subkey = driverKey.substr(split + 1);
    const AudioEndpointPropertyStore store(settings.device, settings.effectContext());
    for (const wchar_t* name : kDriverDefaults) {
        DWORD driverValue = 0;
        DWORD storeValue = 0;
        PROPERTYKEY key{};
        if (root == nullptr || !winsys::read_dword(root, subkey, name, driverValue) ||
            !PropertyKeyFromText(name, key) || !store.GetDword(settings.kind(), key, storeValue) ||
            storeValue == driverValue || !store.SetDword(settings.kind(), key, driverValue)) {
            continue;
        }
        base::log_wprintf(L"PKEY %s of device %s is recovered from %lu to %lu\n", name, endpointId.c_str(), storeValue,
                          driverValue);
    }
}

}  // namespace qev::effects
