#pragma once

#include <string>

#include "effects/settings/apo_registration.h"
#include "effects/settings/endpoint_direction.h"
#include "effects/settings/store_generation.h"

namespace qev::effects {

// The APO's CLSIDs in an endpoint's composite effect lists (",13", ",14", ",15").
class ApoFxLists {
public:
    // Generic when a list holds the generic CLSID, DirectionSpecific when it holds the direction's
    // own CLSID (lists ",15", ",14", ",13" in this order), else None.
    static ApoRegistration FindRegisteredApo(const std::wstring& endpointId);
    // PerApoStores when the FX key has the APO context subkey, FxValues when it holds
    // "{e3c9c164-...},1", else None; with the registration of FindRegisteredApo.
    static void GetStoreGeneration(const std::wstring& endpointId, StoreGeneration& generation,
                                   ApoRegistration& registration);
    // Whether any list holds one of its ApoMarkerClsids.
    static bool HasApoInFx(const std::wstring& endpointId, EndpointDirection direction);
    // Whether a list of the endpoint and of its driver differ in how many foreign CLSIDs they
    // hold (lists the driver lacks are not compared). False when the driver key can't be found.
    static bool CompareFxWithDriver(const std::wstring& endpointId, EndpointDirection direction, bool& differs);
    // Removes the ApoMarkerClsids from the lists; a list left empty is deleted.
    static void RemoveApoFromFx(const std::wstring& endpointId, EndpointDirection direction);
};

}  // namespace qev::effects
