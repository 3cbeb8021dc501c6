#pragma once

#include "base/unique_handle.h"

namespace qev::base {

// The accounts the program grants access to, by SID rather than by name: account names are
// translated on non-English Windows, the SIDs are the same everywhere.
enum class WellKnownSid {
    local_system,            // NT AUTHORITY\SYSTEM, S-1-5-18
    interactive,             // NT AUTHORITY\INTERACTIVE, S-1-5-4
    builtin_administrators,  // BUILTIN\Administrators, S-1-5-32-544
    builtin_users,           // BUILTIN\Users, S-1-5-32-545
};

// A new SID; empty (last error set) when it could not be allocated.
UniqueSid make_well_known_sid(WellKnownSid which);

}  // namespace qev::base
