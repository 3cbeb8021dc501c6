#include "rpc/pipe_instance.h"

#include "base/logging.h"
#include "base/unique_handle.h"

#include <aclapi.h>

#include <array>

namespace qev::rpc {

namespace {

using base::UniqueLocalPtr;

EXPLICIT_ACCESS_W access_entry(const wchar_t* trustee, TRUSTEE_TYPE type, DWORD rights)
{
    EXPLICIT_ACCESS_W entry{};
    entry.grfAccessPermissions = rights;
    entry.grfAccessMode = SET_ACCESS;
    entry.grfInheritance = NO_INHERITANCE;
    entry.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
    entry.Trustee.TrusteeType = type;
    // The trustee name is only read.
    entry.Trustee.ptstrName = const_cast<wchar_t*>(trustee);
    return entry;
}

// SYSTEM and Administrators: full access; interactive users: read, write and wait.
bool build_pipe_dacl(UniqueLocalPtr<ACL>& acl)
{
    std::array<EXPLICIT_ACCESS_W, 3> entries = {
        access_entry(L"NT AUTHORITY\\SYSTEM", TRUSTEE_IS_WELL_KNOWN_GROUP, GENERIC_ALL),
        access_entry(L"BUILTIN\\Administrators", TRUSTEE_IS_GROUP, GENERIC_ALL),
        access_entry(L"NT AUTHORITY\\INTERACTIVE", TRUSTEE_IS_WELL_KNOWN_GROUP,
                     GENERIC_READ | GENERIC_WRITE | SYNCHRONIZE),
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
