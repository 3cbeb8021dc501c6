#pragma once

#include <windows.h>

#include <mmdeviceapi.h>

#include <cstdint>
#include <string>

namespace qev::effects {

// The numbering of endpoint directions throughout effect control.
enum class EndpointDirection : std::uint32_t {
    Capture = 0,
    Render = 1,
    Unknown = 2,
};

EndpointDirection DirectionFromDataFlow(EDataFlow flow);

// `direction` itself when it is capture or render; otherwise the endpoint's own data flow, or
// Unknown when the endpoint can't be found or asked.
EndpointDirection ResolveDirection(const std::wstring& endpointId, EndpointDirection direction);

}  // namespace qev::effects
