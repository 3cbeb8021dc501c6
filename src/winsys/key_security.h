#pragma once

#include <windows.h>

#include <string>

// The two security repairs applied before writing to an existing key. They report which step
// failed so the bool API and the throwing path-based API can each word the failure their way.
namespace qev::winsys {

enum class SecurityStep {
    none,
    open_process_token,
    lookup_privilege_value,
    adjust_token_privileges,
    set_privilege,
    open_key,
    get_key_security,
    get_security_descriptor_dacl,
    allocate_and_initialize_sid,
    set_entries_in_acl,
    local_alloc,
    initialize_security_descriptor,
    set_security_descriptor_owner,
    set_security_descriptor_dacl,
    set_key_security,
};

struct SecurityOutcome {
    SecurityStep failed_step = SecurityStep::none;
    DWORD error = ERROR_SUCCESS;  // the Windows error of the failed step, when there is one

    bool ok() const { return failed_step == SecurityStep::none; }
};

// Makes BUILTIN\Administrators the owner of root\subkey, with SeTakeOwnershipPrivilege enabled
// for the calling thread during the change.
SecurityOutcome set_administrators_owner(HKEY root, const std::wstring& subkey);

// Who gets write access. Keys that a privileged reader trusts (the endpoint effect lists) must not
// be opened to Users.
enum class WriteAccessFor { administrators_and_users, administrators };

// Merges entries inherited by subkeys into the DACL of root\subkey: KEY_ALL_ACCESS for
// Administrators and, unless told otherwise, reading and setting values for Users (never changing
// the DACL or the owner, deleting, or creating keys below). Entries of other trustees (SYSTEM among
// them) stay as they are.
SecurityOutcome grant_write_access(HKEY root, const std::wstring& subkey,
                                   WriteAccessFor who = WriteAccessFor::administrators_and_users);

}  // namespace qev::winsys
