#pragma once

#include <cstdint>
#include <string>

#include "effects/settings/endpoint_direction.h"

namespace qev::effects {

// What the scan hands to each endpoint of a direction.
struct ScanContext {
    std::uint32_t mode = 0;     // the APO environment's mode
    std::uint32_t variant = 2;  // the direction's APO variant
};

// Brings every capture and then every render endpoint (in any state) into the state the APO
// environment asks for; directions it does not serve are skipped. Each endpoint is processed
// while no notification handler works on endpoints (see endpoint_work.h). Runs on the caller's
// thread, with COM for that thread.
void ScanAllEndpoints();

// Installs, repairs, re-synchronises or removes the APO on one endpoint and restarts an active USB
// or Bluetooth endpoint whose settings changed. Always true, so the scan goes on.
bool ProcessEndpoint(const ScanContext& context, const std::wstring& endpointId, EndpointDirection direction);

}  // namespace qev::effects
