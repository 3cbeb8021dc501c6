#pragma once

#include <string>

#include "effects/settings/endpoint_direction.h"

namespace qev::effects {

// Makes an endpoint's FX key ready for installing the APO: the endpoint key is given to
// Administrators and made writable for them, the keys below it are created where missing. Each
// returns the FX key path and the endpoint's direction, or an empty path when the endpoint key is
// missing or a key can't be made.

// The FX store generation ("v2"): the direction is the branch (Capture, then Render) holding the key.
std::wstring PrepareFxKeyForFxValues(const std::wstring& endpointId, EndpointDirection& direction);
// The per-APO stores generation ("v3"): also the APO context's Default, User and Volatile keys; the
// direction is the endpoint's data flow.
std::wstring PrepareFxKeyForPerApoStores(const std::wstring& endpointId, EndpointDirection& direction);

}  // namespace qev::effects
