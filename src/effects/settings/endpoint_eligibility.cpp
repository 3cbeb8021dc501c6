#include "effects/settings/endpoint_eligibility.h"

#include <wrl/client.h>

#include <algorithm>
#include <regex>
#include <vector>

#include "base/logging.h"
#include "datapath/catalogue/catalogue.h"
#include "effects/settings/fx_registry_access.h"
#include "effects/settings/fx_value_names.h"
#include "effects/settings/ks_filter_path.h"
#include "effects/settings/property_key_text.h"
#include "winaudio/audio_endpoint_property_store.h"
#include "winaudio/com_init_guard.h"
#include "winaudio/endpoint_queries.h"
#include "winsys/registry.h"

using Microsoft::WRL::ComPtr;

namespace qev::effects {

namespace {

constexpr auto kIcase = std::regex_constants::ECMAScript | std::regex_constants::icase;

const std::vector<std::wstring>& default_excluded_topologies()
{
    static const std::vector<std::wstring> patterns{L"rtstereomixwave", L"root#media#[0-9]{4}", L"stereomix[0-9]*"};
    return patterns;
}

bool matches_any(const std::vector<std::wstring>& patterns, const std::wstring& text)
{
    return std::any_of(patterns.begin(), patterns.end(), [&](const std::wstring& pattern) {
        return std::regex_search(text, std::wregex(pattern, kIcase));
    });
}

// The "{e3c9c164-...},6666" marker of the FX store: listed when it is present and 1.
bool read_listed_marker(IMMDevice* device, bool& listed)
{
    PROPERTYKEY key{};
    if (!PropertyKeyFromText(std::wstring(datapath::kListedHardwarePkey), key)) {
        return false;
    }
    const winaudio::AudioEndpointPropertyStore store(device, L"");
    bool present = false;
    if (!store.HasValue(winaudio::FxProperties, key, present)) {
        return false;
    }
    DWORD value = 0;
    listed = present && store.GetDword(winaudio::FxProperties, key, value) && value == 1;
    return true;
}

}  // namespace

bool EndpointEligibility::IsExcludedTopology(const std::wstring& endpointId, EndpointDirection direction,
                                             bool& excluded)
{
    std::wstring filterPath;
    if (!KsFilterPath::ReadFilterPath(endpointId, direction, filterPath)) {
        return false;
    }
    std::vector<std::wstring> patterns;
    if (!FxRegistryAccess::RegReadMultiString(winsys::kOwnSettingsKey, kExcludedTopologyValue, patterns)) {
        patterns = default_excluded_topologies();
    }
    try {
        excluded = matches_any(patterns, filterPath);
        return true;
    } catch (const std::regex_error&) {
        base::log_wprintf(L"Invalid excluded topology pattern in %s\n", kExcludedTopologyValue);
        return false;
    }
}

bool EndpointEligibility::IsListedHardware(const std::wstring& endpointId, bool& listed)
{
    winaudio::ComInitGuard::Instance();
    ComPtr<IMMDevice> device;
    if (!winaudio::GetDeviceById(endpointId, device)) {
        return false;
    }
    std::wstring hardwareId;
    if (!winaudio::GetHardwareId(device, hardwareId) ||
        matches_any(datapath::Catalogue::supported_hardware_id_patterns(), hardwareId)) {
        listed = true;
        return true;
    }
    return read_listed_marker(device.Get(), listed);
}

bool EndpointEligibility::IsEligibleEndpoint(const std::wstring& endpointId)
{
    bool listed = true;
    bool excluded = true;
    return IsListedHardware(endpointId, listed) && !listed &&
           IsExcludedTopology(endpointId, EndpointDirection::Unknown, excluded) && !excluded;
}

bool EndpointEligibility::IsUsbEndpoint(IMMDevice* endpoint)
{
    return winaudio::IsUsbEndpoint(endpoint);
}

bool EndpointEligibility::IsBluetoothEndpoint(IMMDevice* endpoint)
{
    return winaudio::IsBluetoothEndpoint(endpoint);
}

}  // namespace qev::effects
