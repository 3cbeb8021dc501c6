#include "effects/application/fx_key_preparation.h"

#include <wrl/client.h>

#include "datapath/catalogue/catalogue.h"
#include "effects/application/endpoint_lookup.h"
#include "effects/settings/endpoint_fx_paths.h"
#include "effects/settings/fx_registry_access.h"
#include "winaudio/endpoint_queries.h"

namespace qev::effects {

namespace {

constexpr wchar_t kFxSubkey[] = L"\\FxProperties";

// Creates the key where missing and gives it to Administrators.
bool make_owned_key(const std::wstring& key)
{
    return (FxRegistryAccess::RegKeyExists(key) || FxRegistryAccess::RegCreateKey(key)) &&
           FxRegistryAccess::RegRepairKey(key);
}

}  // namespace

std::wstring PrepareFxKeyForFxValues(const std::wstring& endpointId, EndpointDirection& direction)
{
    for (const EndpointDirection candidate : {EndpointDirection::Capture, EndpointDirection::Render}) {
        const std::wstring endpointKey = EndpointFxPaths::EndpointKeyPath(endpointId, candidate);
        if (endpointKey.empty() || !FxRegistryAccess::RegKeyExists(endpointKey)) {
            continue;
        }
        direction = candidate;
        const std::wstring fxKey = endpointKey + kFxSubkey;
        return make_owned_key(endpointKey) && make_owned_key(fxKey) ? fxKey : std::wstring();
    }
    return {};
}

std::wstring PrepareFxKeyForPerApoStores(const std::wstring& endpointId, EndpointDirection& direction)
{
    const Microsoft::WRL::ComPtr<IMMDevice> device = LookUpEndpoint(endpointId);
    EDataFlow flow = eAll;
    if (!device || !winaudio::GetDataFlow(device, flow) || DirectionFromDataFlow(flow) == EndpointDirection::Unknown) {
        return {};
    }
    direction = DirectionFromDataFlow(flow);
    const std::wstring endpointKey = EndpointFxPaths::EndpointKeyPath(endpointId, direction);
    if (endpointKey.empty() || !FxRegistryAccess::RegKeyExists(endpointKey) || !make_owned_key(endpointKey)) {
        return {};
    }
    const std::wstring fxKey = endpointKey + kFxSubkey;
    const std::wstring contextKey = fxKey + L"\\" + std::wstring(datapath::kApoContextClsid);
    for (const std::wstring& key :
         {fxKey, contextKey, contextKey + L"\\Default", contextKey + L"\\User", contextKey + L"\\Volatile"}) {
        if (!make_owned_key(key)) {
            return {};
        }
    }
    return fxKey;
}

}  // namespace qev::effects
