#include "vpnr/user_enrollment_sync.h"

#include "base/logging.h"

namespace qev::vpnr {

// Placeholder until enrollment publishing exists: the call is seen in the log, nothing is written.
void sync_user_enrollment()
{
    base::log_printf("[vpnr] sync_user_enrollment: nothing to publish, enrollment is not part of this build\n");
}

}  // namespace qev::vpnr
