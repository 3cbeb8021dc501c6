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

}  // namespace qevsim
