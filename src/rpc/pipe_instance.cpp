#include "rpc/pipe_instance.h"

#include "base/logging.h"
#include "base/unique_handle.h"
#include "base/well_known_sid.h"

#include <aclapi.h>

#include <array>

namespace qev::rpc {

namespace {

using base::UniqueLocalPtr;

EXPLICIT_ACCESS_W access_entry(PSID trustee, TRUSTEE_TYPE type, DWORD rights)
{
    EXPLICIT_ACCESS_W entry{};
    entry.grfAccessPermissions = rights;
    entry.grfAccessMode = SET_ACCESS;
    entry.grfInheritance = NO_INHERITANCE;
    entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    entry.Trustee.TrusteeType = type;
    entry.Trustee.ptstrName = static_cast<LPWSTR>(trustee);
    return entry;
}

// SYSTEM and Administrators: full access; interactive users: read, write and wait. The trustees are
// SIDs: their names are translated on non-English Windows, where looking the English ones up fails.
bool build_pipe_dacl(UniqueLocalPtr<ACL>& acl)
{
    const base::UniqueSid system = base::make_well_known_sid(base::WellKnownSid::local_system);
    const base::UniqueSid administrators = base::make_well_known_sid(base::WellKnownSid::builtin_administrators);
    const base::UniqueSid interactive = base::make_well_known_sid(base::WellKnownSid::interactive);
    if (!system || !administrators || !interactive) {
        return false;
    }
    std::array<EXPLICIT_ACCESS_W, 3> entries = {
        access_entry(system.get(), TRUSTEE_IS_WELL_KNOWN_GROUP, GENERIC_ALL),
        access_entry(administrators.get(), TRUSTEE_IS_GROUP, GENERIC_ALL),
        access_entry(interactive.get(), TRUSTEE_IS_WELL_KNOWN_GROUP, GENERIC_READ | GENERIC_WRITE | SYNCHRONIZE),
    };
    const DWORD status = SetEntriesInAclW(static_cast<ULONG>(entries.size()), entries.data(), nullptr, acl.put());
    if (status != ERROR_SUCCESS) {
        SetLastError(status);
        return false;
    }
    return true;
}

}  // namespace

HANDLE create_pipe_instance(const std::wstring& name, uint32_t buffer_size, DWORD extra_open_flags)
{
    base::UniqueLocalMemory descriptor(LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH));
    if (!descriptor) {
        base::log_printf("Create SECURITY_DESCRIPTOR failed\n");
        return INVALID_HANDLE_VALUE;
    }
    if (!InitializeSecurityDescriptor(descriptor.get(), SECURITY_DESCRIPTOR_REVISION)) {
        base::log_printf("InitializeSecurityDescriptor failed\n");
        return INVALID_HANDLE_VALUE;
    }
    UniqueLocalPtr<ACL> acl;
    if (!build_pipe_dacl(acl)) {
        return INVALID_HANDLE_VALUE;
    }
    if (!SetSecurityDescriptorDacl(descriptor.get(), TRUE, acl.get(), FALSE)) {
        base::log_printf("SetSecurityDescriptorDacl\n");
        return INVALID_HANDLE_VALUE;
    }
    SECURITY_ATTRIBUTES attributes{};
    attributes.nLength = sizeof(attributes);
    attributes.lpSecurityDescriptor = descriptor.get();
    attributes.bInheritHandle = FALSE;
    return CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX | extra_open_flags,
                            PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, PIPE_UNLIMITED_INSTANCES,
                            buffer_size, buffer_size, 0, &attributes);
}

}  // namespace qev::rpc
