#pragma once

#include <windows.h>

#include <mmdeviceapi.h>

#include <string>

#include "effects/settings/endpoint_direction.h"

namespace qev::effects {

// Which endpoints may carry the APO: listed hardware (the driver carries it) and excluded
// topologies (Stereo Mix and the like) must not get it installed.
class EndpointEligibility {
public:
    // Excluded when a pattern of "excluded_topology" (or the default patterns when the value
    // can't be read) matches the filter path. False when there is no filter path or a pattern
    // is not a valid regular expression.
    static bool IsExcludedTopology(const std::wstring& endpointId, EndpointDirection direction, bool& excluded);
    // Listed when the hardware id can't be read, matches a listed-hardware pattern, or the FX
    // store holds "{e3c9c164-...},6666" = 1. False when the endpoint can't be looked up.
    static bool IsListedHardware(const std::wstring& endpointId, bool& listed);
    // Neither listed hardware nor an excluded topology, both known.
    static bool IsEligibleEndpoint(const std::wstring& endpointId);

    static bool IsUsbEndpoint(IMMDevice* endpoint);
    static bool IsBluetoothEndpoint(IMMDevice* endpoint);
};

}  // namespace qev::effects
