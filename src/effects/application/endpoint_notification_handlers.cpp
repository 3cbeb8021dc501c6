#include "effects/application/endpoint_notification_handlers.h"

#include <atomic>
#include <cstdint>
#include <string>

#include "base/logging.h"
#include "effects/application/apo_installer.h"
#include "effects/application/endpoint_work.h"
#include "effects/application/pending_endpoints.h"
#include "effects/settings/apo_fx_lists.h"
#include "effects/settings/endpoint_eligibility.h"
#include "effects/settings/endpoint_fx_paths.h"
#include "effects/settings/fx_registry_access.h"
#include "effects/settings/fx_value_names.h"
#include "effects/settings/ks_filter_path.h"
#include "effects/settings/property_key_text.h"
#include "sysinfo/wide_text.h"

namespace qev::effects {

namespace {

constexpr std::uint32_t kNotPending = 0xFFFFFFFF;

std::atomic<void (*)(bool)> stateChangeCallback{nullptr};

// The pending list is made before the work thread, so it outlives the thread at process exit.
EndpointWork& notification_work()
{
    PendingEndpoints::Instance();
    return EndpointWork::Instance();
}

const wchar_t* state_name(DWORD state)
{
    switch (state) {
    case DEVICE_STATE_ACTIVE:
        return L"ACTIVE";
    case DEVICE_STATE_DISABLED:
        return L"DISABLED";
    case DEVICE_STATE_NOTPRESENT:
        return L"NOTPRESENT";
    case DEVICE_STATE_UNPLUGGED:
        return L"UNPLUGGED";
    default:
        return L"";
    }
}

// True when the marker was written now.
bool mark_activated_endpoint(const std::wstring& endpointId)
{
    if (ApoFxLists::FindRegisteredApo(endpointId) == ApoRegistration::None) {
        return false;
    }
    const std::wstring fxKey = EndpointFxPaths::EndpointFxKeyPath(endpointId, EndpointDirection::Unknown);
    return !fxKey.empty() && FxRegistryAccess::RegKeyExists(fxKey) &&
           !FxRegistryAccess::RegValueExists(fxKey, kStoreMarkerValue) &&
           FxRegistryAccess::RegWriteDword(fxKey, kStoreMarkerValue, 0);
}

void handle_state_changed(const std::wstring& endpointId, DWORD newState)
{
    const bool marked = newState == DEVICE_STATE_ACTIVE && mark_activated_endpoint(endpointId);
    base::log_wprintf(L"pwstrDeviceId: %s, state: %s\n", endpointId.c_str(), state_name(newState));
    if (const auto callback = stateChangeCallback.load()) {
        callback(marked);
    }
}

std::uint32_t handle_added(const std::wstring& endpointId)
{
    std::wstring filterPath;
    if (KsFilterPath::ReadFilterPath(endpointId, EndpointDirection::Unknown, filterPath)) {
        if (EndpointEligibility::IsEligibleEndpoint(endpointId)) {
            InstallApo(endpointId);
        }
    } else {
        PendingEndpoints::Instance().Add(endpointId);
    }
    return 1;
}

std::uint32_t handle_property_changed(const std::wstring& endpointId, const PROPERTYKEY& key)
{
    PendingEndpoints& pending = PendingEndpoints::Instance();
    if (pending.Empty()) {
        return 0;
    }
    if (!pending.Contains(endpointId) || !sysinfo::EqualsIgnoreCase(PropertyKeyToText(key), kFilterPathValue)) {
        return kNotPending;
    }
    if (EndpointEligibility::IsEligibleEndpoint(endpointId)) {
        InstallApo(endpointId);
    }
    pending.Remove(endpointId);
    return 1;
}

}  // namespace

void OnEndpointStateChanged(LPCWSTR endpointId, DWORD newState)
{
    if (endpointId != nullptr) {
        notification_work().Post([id = std::wstring(endpointId), newState] { handle_state_changed(id, newState); });
    }
}

void OnEndpointAdded(LPCWSTR endpointId)
{
    if (endpointId != nullptr) {
        notification_work().Post([id = std::wstring(endpointId)] { handle_added(id); });
    }
}

void OnEndpointPropertyChanged(LPCWSTR endpointId, PROPERTYKEY key)
{
    if (endpointId != nullptr) {
        notification_work().Post([id = std::wstring(endpointId), key] { handle_property_changed(id, key); });
    }
}

void SetStateChangeCallback(void (*callback)(bool))
{
    stateChangeCallback.store(callback);
}

void WaitForEndpointNotifications()
{
    notification_work().WaitIdle();
}

}  // namespace qev::effects
