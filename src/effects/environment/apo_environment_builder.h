#pragma once

#include "effects/environment/apo_environment.h"

namespace qev::effects {

// Builds the configuration from the machine: the APO software devices, the deployment mode (with
// the COM registration kept in step with the APO version), then every endpoint of each direction
// in enumeration order. What cannot be read keeps its start value.
ApoEnvironment BuildApoEnvironment();

}  // namespace qev::effects
