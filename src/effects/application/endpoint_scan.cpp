#include "effects/application/endpoint_scan.h"

#include <wrl/client.h>

#include <vector>

#include "base/com_init.h"
#include "effects/application/apo_installer.h"
#include "effects/application/apo_settings.h"
#include "effects/application/effect_restart.h"
#include "effects/application/endpoint_lookup.h"
#include "effects/application/endpoint_work.h"
#include "effects/application/fx_driver_sync.h"
#include "effects/application/store_repair.h"
#include "effects/environment/apo_environment.h"
#include "effects/settings/apo_fx_lists.h"
#include "effects/settings/endpoint_eligibility.h"
#include "winaudio/com_init_guard.h"
#include "winaudio/endpoint_queries.h"

using Microsoft::WRL::ComPtr;

namespace qev::effects {

namespace {

// Settings are written (mode 2) or cleared (mode 1); any other mode leaves them.
bool update_settings(std::uint32_t mode, const std::wstring& endpointId, bool& changed)
{
    changed = false;
    if (mode == 2) {
        WriteApoSettings(endpointId, changed);
        return true;
    }
    if (mode == 1) {
        ClearApoSettings(endpointId, changed);
        return true;
    }
    return false;
}

// Listed hardware carries the APO through its driver: keep its lists in step with the driver's and
// its settings repaired. True when a setting changed.
bool process_listed(const ScanContext& context, const std::wstring& endpointId, EndpointDirection direction,
                    ApoRegistration registered)
{
    bool differs = false;
    if (ApoFxLists::CompareFxWithDriver(endpointId, direction, differs) && differs) {
        SyncFxFromDriver(endpointId, direction);
    }
    if (direction == EndpointDirection::Render && registered == ApoRegistration::Generic) {
        FixGenericRender(endpointId);
    }
    bool changed = false;
    bool allPresent = true;
    if (context.mode == 2 && CheckApoSettings(endpointId, allPresent) && !allPresent) {
        WriteApoSettings(endpointId, changed);
    } else if (context.mode == 1) {
        ClearApoSettings(endpointId, changed);
    } else if (context.mode != 2) {
        return false;
    }
    const ComPtr<IMMDevice> device = LookUpEndpoint(endpointId);
    std::wstring hardwareId;
    if (device && winaudio::GetHardwareId(device, hardwareId)) {
        RecoverDriverDefaults(endpointId);
    }
    return changed;
}

// Any other endpoint: an excluded one loses the APO, an eligible one gets the direction's variant.
// True when it must be restarted.
bool process_unlisted(const ScanContext& context, const std::wstring& endpointId, EndpointDirection direction,
                      bool apoInFx, ApoRegistration registered)
{
    bool excluded = false;
    if (!EndpointEligibility::IsExcludedTopology(endpointId, direction, excluded)) {
        return false;
    }
    if (excluded) {
        if (apoInFx) {
            SyncFxFromDriver(endpointId, direction);
        }
        return apoInFx;
    }
    if (static_cast<std::uint32_t>(registered) != context.variant) {
        ApoFxLists::RemoveApoFromFx(endpointId, direction);
        InstallApo(endpointId);
        return false;
    }
    bool changed = false;
    if (!update_settings(context.mode, endpointId, changed)) {
        return false;
    }
    if (HasStoreMarker(endpointId)) {
        SyncPerApoStores(endpointId);
    }
    return changed;
}

void restart_if_external(const std::wstring& endpointId)
{
    const ComPtr<IMMDevice> device = LookUpEndpoint(endpointId);
    DWORD state = 0;
    if (device && SUCCEEDED(winaudio::GetDeviceState(device, state)) && state == DEVICE_STATE_ACTIVE &&
        (EndpointEligibility::IsBluetoothEndpoint(device.Get()) || EndpointEligibility::IsUsbEndpoint(device.Get()))) {
        ApplyEffect(device.Get());
    }
}

void scan_direction(std::uint32_t mode, const DirectionEnvironment& direction, EDataFlow flow)
{
    if (direction.environment == 2 || direction.variant == 2) {
        return;
    }
    const ScanContext context{mode, direction.variant};
    for (const std::wstring& id : winaudio::EnumerateEndpointIds(flow)) {
        EndpointWork::Instance().Run([&] { ProcessEndpoint(context, id, direction.direction); });
    }
}

}  // namespace

void ScanAllEndpoints()
{
    const base::ComInit com(COINIT_MULTITHREADED);
    winaudio::ComInitGuard::Instance();
    const ApoEnvironment environment = GetApoEnvironment();
    scan_direction(environment.mode, environment.capture, eCapture);
    scan_direction(environment.mode, environment.render, eRender);
}

bool ProcessEndpoint(const ScanContext& context, const std::wstring& endpointId, EndpointDirection direction)
{
    const bool apoInFx = ApoFxLists::HasApoInFx(endpointId, direction);
    const ApoRegistration registered = ApoFxLists::FindRegisteredApo(endpointId);
    bool listed = false;
    if (!EndpointEligibility::IsListedHardware(endpointId, listed)) {
        return true;
    }
    const bool restart = listed ? process_listed(context, endpointId, direction, registered)
                                : process_unlisted(context, endpointId, direction, apoInFx, registered);
    if (restart) {
        restart_if_external(endpointId);
    }
    return true;
}

}  // namespace qev::effects
