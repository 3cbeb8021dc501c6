#include "vpnr/reenrollment_pass.h"

#include "base/logging.h"

namespace qev::vpnr {

// Placeholder until the enrollment worker exists: there is nothing to re-enroll without it.
void run_reenrollment_pass()
{
    base::log_printf("[vpnr] re-enrollment pass: nothing to do, the enrollment worker is not part of this build\n");
}

}  // namespace qev::vpnr
