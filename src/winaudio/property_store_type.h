#pragma once

#include <cstdint>

namespace qev::winaudio {

// The stores of one endpoint that AudioEndpointPropertyStore reaches.
enum PropertyStoreType : std::int32_t {
    Properties = 0,    // device property store
    FxProperties = 1,  // FX store, through the policy-config object
    Default = 2,       // Windows 11 per-APO stores
    User = 3,
    Volatile = 4,
};

}  // namespace qev::winaudio
