#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "effects/settings/endpoint_direction.h"
#include "sysinfo/wide_text.h"

namespace qev::effects {

// How the endpoints of one direction carry the APO, learnt from its marked endpoints.
struct DirectionEnvironment {
    EndpointDirection direction = EndpointDirection::Unknown;
    // Endpoints whose FX key holds "{e3c9c164-...},6666" as a non-zero DWORD, in enumeration order.
    std::vector<std::wstring> markedEndpoints;
    // HKR references ("<CLSID>,100" to the APO software device path) the marked endpoints carry.
    std::map<std::wstring, std::wstring, sysinfo::LessIgnoreCase> hkrReferences;
    std::uint32_t environment = 2;  // 0 FX store ("v2"), 1 per-APO stores ("v3"), 2 not served
    std::uint32_t variant = 2;      // 0 generic APO, 1 direction-specific APO, 2 none
};

// How the APO is deployed on this machine.
struct ApoEnvironment {
    std::uint32_t mode = 0;  // 0 not known, 1 HKR references cleared, 2 HKR references written
    DirectionEnvironment capture;
    DirectionEnvironment render;
    // The HKR reference written when a direction's reference map is empty (mode 2).
    std::wstring apoDevicePath;
    std::vector<std::wstring> apoDevicePaths;

    // The direction's part; null for Unknown.
    const DirectionEnvironment* ForDirection(EndpointDirection direction) const;
};

// The process-wide configuration, built on the first call (which also publishes the console
// user's enrollment); a copy, consistent even while a rebuild runs.
ApoEnvironment GetApoEnvironment();
// Builds the configuration again (when the mode could not be determined before).
void RebuildApoEnvironment();

}  // namespace qev::effects
