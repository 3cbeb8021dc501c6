#include "base/well_known_sid.h"

namespace qev::base {

UniqueSid make_well_known_sid(WellKnownSid which)
{
    SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
    UniqueSid sid;
    BOOL made = FALSE;
    switch (which) {
    case WellKnownSid::local_system:
        made = AllocateAndInitializeSid(&authority, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0, sid.put());
        break;
    case WellKnownSid::interactive:
        made = AllocateAndInitializeSid(&authority, 1, SECURITY_INTERACTIVE_RID, 0, 0, 0, 0, 0, 0, 0, sid.put());
        break;
    case WellKnownSid::builtin_administrators:
        made = AllocateAndInitializeSid(&authority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                        0, 0, sid.put());
        break;
    case WellKnownSid::builtin_users:
        made = AllocateAndInitializeSid(&authority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0,
                                        0, 0, sid.put());
        break;
    }
    if (!made) {
        sid.reset();
    }
    return sid;
}

}  // namespace qev::base
