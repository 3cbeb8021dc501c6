#pragma once

#include <windows.h>

#include <mmdeviceapi.h>

#include <optional>

#include "machine_layout.h"

namespace qevsim {

// Default endpoints per flow and role, kept as Windows keeps them: each endpoint key holds
// "Role:0", "Role:1", "Role:2" time stamps (a SYSTEMTIME); the active endpoint with the latest
// stamp is the default, and without any stamp the first active endpoint.
class DefaultRoles {
public:
    static std::optional<EndpointId> current(Flow flow, ERole role);
    static LONG set(const EndpointId& id, ERole role);
};

}  // namespace qevsim
