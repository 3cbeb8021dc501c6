#pragma once

#include <string>

#include "effects/settings/endpoint_direction.h"

namespace qev::effects {

// Copies the driver's FX defaults to the endpoint: the single effect CLSIDs and the mode lists the
// driver has, and each composite list the driver has; a composite list the driver lacks keeps the
// endpoint's entries without the APO's. Nothing happens when the driver's FX key can't be found.
void SyncFxFromDriver(const std::wstring& endpointId, EndpointDirection direction);

// A render endpoint carries the generic APO in its mode list, not its endpoint list: moves it there.
void FixGenericRender(const std::wstring& endpointId);

}  // namespace qev::effects
