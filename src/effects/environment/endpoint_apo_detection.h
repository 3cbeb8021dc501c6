#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "effects/environment/apo_environment.h"
#include "sysinfo/os_version.h"

namespace qev::effects {

// What one endpoint's FX key shows about the APO it carries.
struct EndpointApoDetection {
    std::uint32_t environment = 2;
    std::uint32_t variant = 2;
};

// Reads the endpoint's composite lists: the direction-specific APO gives variant 1 (a generic CLSID
// beside it is removed from the lists), the generic APO alone variant 0. With a known variant and
// Windows version, the environment is 1 for the direction-specific APO on Windows 11, else 0.
EndpointApoDetection DetectEndpointApo(const std::wstring& fxKey, const std::optional<sysinfo::OsVersion>& os);

// Adds the endpoint's HKR references ("<CLSID>,100" of the APO's CLSIDs its lists hold) to the map:
// the direction's own CLSIDs for the direction-specific variant, the generic one for variant 0.
// Values that are missing or empty are left out.
void CollectHkrReferences(const std::wstring& fxKey, EndpointDirection direction, std::uint32_t variant,
                          DirectionEnvironment& into);

}  // namespace qev::effects
