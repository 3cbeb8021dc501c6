#pragma once

#include <cstdint>
#include <string>

#include "effects/settings/endpoint_direction.h"
#include "effects/settings/store_generation.h"

namespace qev::effects {

// Where the registry keeps an endpoint's stores and the product's own settings, as full key paths.
class EndpointFxPaths {
public:
    // "HKEY_LOCAL_MACHINE\SOFTWARE\...\MMDevices\Audio\Capture|Render\{endpoint GUID}"; Unknown is
    // resolved from the endpoint. Empty when the direction stays unknown or the id has no "{".
    static std::wstring EndpointKeyPath(const std::wstring& endpointId, EndpointDirection direction);
    // The endpoint key + "\Properties" (device store), empty with it.
    static std::wstring EndpointPropertiesKeyPath(const std::wstring& endpointId, EndpointDirection direction);
    // The FX store key by code: 1 capture, 2 render; empty for any other code.
    static std::wstring EndpointFxKeyPath(const std::wstring& endpointId, std::uint32_t code);
    // The FX store key by direction (Unknown resolved from the endpoint), empty when unresolved.
    static std::wstring EndpointFxKeyPath(const std::wstring& endpointId, EndpointDirection direction);
    // The product's backup of the APO settings for one store generation and direction.
    static std::wstring BackupKeyPath(StoreGeneration generation, EndpointDirection direction);
};

}  // namespace qev::effects
