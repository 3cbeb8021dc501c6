#pragma once

#include <string>

#include "effects/settings/endpoint_direction.h"

namespace qev::effects {

// The FX defaults the audio driver's INF left for an endpoint, under the device-interface key of
// the endpoint's topology filter in DeviceClasses.
class DriverFxKey {
public:
    static bool DriverFxKeyPath(const std::wstring& endpointId, EndpointDirection direction, std::wstring& key);
};

}  // namespace qev::effects
