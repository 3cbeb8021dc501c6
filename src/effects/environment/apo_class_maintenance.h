#pragma once

#include "effects/environment/apo_deployment.h"

namespace qev::effects {

// Keeps the global COM registration of the APO's classes in step with the installed APO version,
// which "LastCheckedAPOVersion" in the product key remembers. Runs only for a new APO version that
// equals the service version or has revision 1837: mode 2 deletes the global registrations (the
// audio engine loads the effects), mode 1 registers them from the INF. The version is remembered
// only once the registration is as the mode wants it, so a failed registration is tried again.
void MaintainApoClassRegistration(const ApoDeployment& deployment);

}  // namespace qev::effects
