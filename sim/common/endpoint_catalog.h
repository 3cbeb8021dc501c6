#pragma once

#include <windows.h>

#include <mmdeviceapi.h>

#include <optional>
#include <vector>

#include "machine_layout.h"

namespace qevsim {

struct EndpointEntry {
    EndpointId id;
    DWORD state;
};

// The endpoints of the machine, read from their registry keys each time.
class EndpointCatalog {
public:
    // Endpoints of one flow (or both) whose state is in stateMask, in registry order.
    static std::vector<EndpointEntry> list(std::optional<Flow> flow, DWORD stateMask);
    // DEVICE_STATE_* of an endpoint; nullopt when it does not exist.
    static std::optional<DWORD> state(const EndpointId& id);
    static LONG setState(const EndpointId& id, DWORD state);
};

// Default endpoints per flow and role, kept as Windows keeps them: each endpoint key holds
// "Role:0", "Role:1", "Role:2" time stamps (a SYSTEMTIME); the active endpoint with the latest
// stamp is the default, and without any stamp the first active endpoint.
class DefaultRoles {
public:
    static std::optional<EndpointId> current(Flow flow, ERole role);
    static LONG set(const EndpointId& id, ERole role);
};

}  // namespace qevsim
