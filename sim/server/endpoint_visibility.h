#pragma once

#include <windows.h>

#include "machine_layout.h"

namespace qevsim {

// Hiding and showing an endpoint the way the Windows audio service does it for the policy-config
// object: hiding disables a present endpoint (active or unplugged) at once, showing gives it back
// the state it had before. A disabled endpoint with no remembered state (disabled by the machine
// file or qevsim) comes back active; an absent endpoint keeps its state either way. The remembered
// states live under SOFTWARE\qevsim\Hidden, one DWORD per endpoint id.
class EndpointVisibility {
public:
    static HRESULT hide(const EndpointId& id);
    static HRESULT show(const EndpointId& id);
};

}  // namespace qevsim
