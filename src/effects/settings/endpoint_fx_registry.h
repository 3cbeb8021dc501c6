#pragma once

#include "effects/settings/apo_fx_lists.h"
#include "effects/settings/apo_registration.h"
#include "effects/settings/driver_fx_key.h"
#include "effects/settings/endpoint_direction.h"
#include "effects/settings/endpoint_eligibility.h"
#include "effects/settings/endpoint_fx_paths.h"
#include "effects/settings/fx_clsid_tables.h"
#include "effects/settings/fx_install_table.h"
#include "effects/settings/fx_registry_access.h"
#include "effects/settings/fx_value_names.h"
#include "effects/settings/ks_filter_path.h"
#include "effects/settings/store_generation.h"

namespace qev::effects {

// Where the APO's registrations and settings live in the registry and how endpoints are judged:
// every operation of the parts below under one name (all static, on the caller's thread).
class EndpointFxRegistry : public FxRegistryAccess,
                           public EndpointFxPaths,
                           public KsFilterPath,
                           public DriverFxKey,
                           public EndpointEligibility,
                           public ApoFxLists {
public:
    EndpointFxRegistry() = delete;
};

}  // namespace qev::effects
