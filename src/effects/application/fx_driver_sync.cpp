#include "effects/application/fx_driver_sync.h"

#include <vector>

#include "datapath/catalogue/catalogue.h"
#include "effects/application/fx_list_edits.h"
#include "effects/settings/clsid_list.h"
#include "effects/settings/driver_fx_key.h"
#include "effects/settings/endpoint_fx_paths.h"
#include "effects/settings/fx_clsid_tables.h"
#include "effects/settings/fx_install_table.h"
#include "effects/settings/fx_registry_access.h"
#include "effects/settings/fx_value_names.h"
#include "sysinfo/wide_text.h"

namespace qev::effects {

namespace {

constexpr wchar_t kMissingValue[] = L"ERROR_FILE_NOT_FOUND";

bool read_driver_text(const std::wstring& driverKey, const wchar_t* name, std::wstring& text)
{
    return FxRegistryAccess::RegValueExists(driverKey, name) &&
           FxRegistryAccess::RegReadString(driverKey, name, text) && !text.empty() &&
           !sysinfo::EqualsIgnoreCase(text, kMissingValue);
}

bool read_driver_list(const std::wstring& driverKey, const wchar_t* name, std::vector<std::wstring>& list)
{
    return FxRegistryAccess::RegValueExists(driverKey, name) &&
           FxRegistryAccess::RegReadMultiString(driverKey, name, list) && !list.empty();
}

void sync_single_effects(const std::wstring& driverKey, const std::wstring& fxKey)
{
    for (const wchar_t* name : {kStreamEffectValue, kModeEffectValue, kEndpointEffectValue}) {
        std::wstring clsid;
        if (read_driver_text(driverKey, name, clsid)) {
            FxRegistryAccess::RegWriteString(fxKey, name, clsid);
        }
    }
}

// The driver's list replaces the endpoint's; without one the endpoint's list loses the APO.
void sync_composite_lists(const std::wstring& driverKey, const std::wstring& fxKey)
{
    for (const wchar_t* name : {kStreamEffectList, kModeEffectList, kEndpointEffectList}) {
        std::vector<std::wstring> list;
        if (read_driver_list(driverKey, name, list)) {
            FxRegistryAccess::RegWriteMultiString(fxKey, name, list);
            continue;
        }
        if (FxRegistryAccess::RegValueExists(fxKey, name) && FxRegistryAccess::RegReadMultiString(fxKey, name, list)) {
            RemoveClsids(list, ClsidsOfList(OwnedFxClsids(), name));
            FxRegistryAccess::RegWriteMultiString(fxKey, name, list);
        }
    }
}

void sync_mode_lists(const std::wstring& driverKey, const std::wstring& fxKey)
{
    for (const wchar_t* name : {kEndpointModeList, kModeModeList, kStreamModeList}) {
        std::vector<std::wstring> list;
        if (read_driver_list(driverKey, name, list)) {
            FxRegistryAccess::RegWriteMultiString(fxKey, name, list);
        }
    }
}

}  // namespace

void SyncFxFromDriver(const std::wstring& endpointId, EndpointDirection direction)
{
    std::wstring driverKey;
    if (!DriverFxKey::DriverFxKeyPath(endpointId, direction, driverKey)) {
        return;
    }
    const std::wstring fxKey = EndpointFxPaths::EndpointFxKeyPath(endpointId, direction);
    if (fxKey.empty()) {
        return;
    }
    sync_single_effects(driverKey, fxKey);
    sync_composite_lists(driverKey, fxKey);
    sync_mode_lists(driverKey, fxKey);
}

void FixGenericRender(const std::wstring& endpointId)
{
    const std::wstring fxKey = EndpointFxPaths::EndpointFxKeyPath(endpointId, EndpointDirection::Render);
    std::vector<std::wstring> list;
    if (fxKey.empty() || !FxRegistryAccess::RegKeyExists(fxKey) ||
        !FxRegistryAccess::RegValueExists(fxKey, kEndpointEffectList) ||
        !FxRegistryAccess::RegReadMultiString(fxKey, kEndpointEffectList, list)) {
        return;
    }
    if (RemoveClsids(list, {std::wstring(datapath::kGenericApoClsid)}) == 0) {
        return;
    }
    FxRegistryAccess::RegWriteMultiString(fxKey, kEndpointEffectList, list);
    MergeInstallEntries(fxKey, FxInstallTable::ForVariant(ApoRegistration::Generic).Entries(EndpointDirection::Render));
}

}  // namespace qev::effects
