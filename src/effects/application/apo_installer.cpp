#include "effects/application/apo_installer.h"

#include <wrl/client.h>

#include <vector>

#include "base/logging.h"
#include "datapath/catalogue/catalogue.h"
#include "effects/application/apo_settings.h"
#include "effects/application/effect_restart.h"
#include "effects/application/endpoint_lookup.h"
#include "effects/application/fx_key_preparation.h"
#include "effects/application/fx_list_edits.h"
#include "effects/environment/apo_environment.h"
#include "effects/settings/clsid_list.h"
#include "effects/settings/endpoint_eligibility.h"
#include "effects/settings/endpoint_fx_paths.h"
#include "effects/settings/fx_install_table.h"
#include "effects/settings/fx_registry_access.h"
#include "effects/settings/fx_value_names.h"
#include "sysinfo/wide_text.h"

using Microsoft::WRL::ComPtr;

namespace qev::effects {

namespace {

constexpr wchar_t kMissingValue[] = L"ERROR_FILE_NOT_FOUND";

// The configuration, built once more while its mode is unknown; nothing when it stays unknown.
bool read_environment(ApoEnvironment& environment)
{
    environment = GetApoEnvironment();
    if (environment.mode == 0) {
        RebuildApoEnvironment();
        environment = GetApoEnvironment();
    }
    return environment.mode != 0;
}

std::wstring prepare_fx_key(std::uint32_t generation, const std::wstring& endpointId, EndpointDirection& direction)
{
    return generation == 0 ? PrepareFxKeyForFxValues(endpointId, direction)
                           : PrepareFxKeyForPerApoStores(endpointId, direction);
}

// Moves a single effect CLSID to the front of its composite list, unless the list already holds it.
void fold_single_effect(const std::wstring& fxKey, const wchar_t* single, const wchar_t* composite)
{
    std::wstring clsid;
    if (!FxRegistryAccess::RegValueExists(fxKey, single) || !FxRegistryAccess::RegReadString(fxKey, single, clsid) ||
        clsid.empty() || sysinfo::EqualsIgnoreCase(clsid, kMissingValue)) {
        return;
    }
    std::vector<std::wstring> list = ReadFxList(fxKey, composite);
    if (!ContainsClsid(list, clsid)) {
        list.insert(list.begin(), clsid);
        FxRegistryAccess::RegWriteMultiString(fxKey, composite, list);
    }
}

void remove_mode(const std::wstring& fxKey, const wchar_t* mode)
{
    std::vector<std::wstring> modes = ReadFxList(fxKey, kModeModeList);
    RemoveClsids(modes, {mode});
    FxRegistryAccess::RegWriteMultiString(fxKey, kModeModeList, modes);
}

// USB and Bluetooth endpoints take the composite lists only, and no notification (nor, on USB,
// communications) mode.
void prepare_external_endpoint(const std::wstring& fxKey, bool usb)
{
    fold_single_effect(fxKey, kStreamEffectValue, kStreamEffectList);
    fold_single_effect(fxKey, kModeEffectValue, kModeEffectList);
    if (usb) {
        remove_mode(fxKey, kCommunicationsMode);
    }
    remove_mode(fxKey, kNotificationMode);
}

void delete_single_effects(const std::wstring& fxKey)
{
    for (const wchar_t* name : {kStreamEffectValue, kModeEffectValue, kEndpointEffectValue}) {
        if (FxRegistryAccess::RegValueExists(fxKey, name)) {
            FxRegistryAccess::RegDeleteValue(fxKey, name);
        }
    }
}

void restore_backup(const std::wstring& fxKey, std::uint32_t generation, EndpointDirection direction)
{
    if (generation == 0) {
        FxRegistryAccess::RegCopyKeyTree(fxKey, EndpointFxPaths::BackupKeyPath(StoreGeneration::FxValues, direction));
        return;
    }
    const std::wstring backup = EndpointFxPaths::BackupKeyPath(StoreGeneration::PerApoStores, direction);
    const std::wstring contextKey = fxKey + L"\\" + std::wstring(datapath::kApoContextClsid);
    for (const wchar_t* store : {L"\\Default", L"\\User", L"\\Volatile"}) {
        FxRegistryAccess::RegCopyKeyTree(contextKey + store, backup + store);
    }
}

}  // namespace

bool InstallApo(const std::wstring& endpointId)
{
    EndpointDirection direction = ResolveDirection(endpointId, EndpointDirection::Unknown);
    ApoEnvironment environment;
    if (!read_environment(environment) || environment.ForDirection(direction) == nullptr) {
        return false;
    }
    const DirectionEnvironment served = *environment.ForDirection(direction);
    if (served.environment != 0 && served.environment != 1) {
        return false;
    }
    const std::wstring fxKey = prepare_fx_key(served.environment, endpointId, direction);
    if (fxKey.empty()) {
        base::log_printf("fail to create FX property\n");
        return false;
    }
    const auto variant = static_cast<ApoRegistration>(served.variant);
    MergeInstallEntries(fxKey, FxInstallTable::ForVariant(variant).Entries(direction));
    const ComPtr<IMMDevice> device = LookUpEndpoint(endpointId);
    const bool usb = device && EndpointEligibility::IsUsbEndpoint(device.Get());
    const bool bluetooth = device && EndpointEligibility::IsBluetoothEndpoint(device.Get());
    if (usb || bluetooth) {
        prepare_external_endpoint(fxKey, usb);
    }
    delete_single_effects(fxKey);
    restore_backup(fxKey, served.environment, direction);
    bool changed = false;
    if (environment.mode == 2) {
        WriteApoSettings(endpointId, changed);
    }
    if (usb || bluetooth) {
        ApplyEffect(device.Get());
    }
    return true;
}

}  // namespace qev::effects
