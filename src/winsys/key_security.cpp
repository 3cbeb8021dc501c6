#include "winsys/key_security.h"

#include <aclapi.h>

#include <vector>

#include "winsys/privilege_guard.h"
#include "base/unique_handle.h"
#include "base/well_known_sid.h"

namespace qev::winsys {

namespace {

constexpr DWORD kSecurityDescriptorRevision = 1;
// What Users may do on a key the program writes.
constexpr ACCESS_MASK kUsersWriteAccess = KEY_READ | KEY_SET_VALUE;

SecurityOutcome failed(SecurityStep step, DWORD error = ERROR_SUCCESS)
{
    return SecurityOutcome{step, error};
}

SecurityStep privilege_failure(PrivilegeGuard::Result result)
{
    switch (result) {
    case PrivilegeGuard::Result::open_token_failed:
        return SecurityStep::open_process_token;
    case PrivilegeGuard::Result::lookup_failed:
        return SecurityStep::lookup_privilege_value;
    case PrivilegeGuard::Result::adjust_failed:
        return SecurityStep::adjust_token_privileges;
    case PrivilegeGuard::Result::not_assigned:
        return SecurityStep::set_privilege;
    case PrivilegeGuard::Result::ok:
        break;
    }
    return SecurityStep::none;
}

SecurityOutcome write_owner(HKEY root, const std::wstring& subkey)
{
    base::UniqueRegKey key;
    const LSTATUS open_status = RegOpenKeyExW(root, subkey.c_str(), 0, WRITE_OWNER, key.put());
    if (open_status != ERROR_SUCCESS) {
        return failed(SecurityStep::open_key, static_cast<DWORD>(open_status));
    }
    const base::UniqueSid administrators = base::make_well_known_sid(base::WellKnownSid::builtin_administrators);
    if (!administrators) {
        return failed(SecurityStep::allocate_and_initialize_sid, GetLastError());
    }
    SECURITY_DESCRIPTOR descriptor{};
    if (!InitializeSecurityDescriptor(&descriptor, kSecurityDescriptorRevision)) {
        return failed(SecurityStep::initialize_security_descriptor, GetLastError());
    }
    if (!SetSecurityDescriptorOwner(&descriptor, administrators.get(), FALSE)) {
        return failed(SecurityStep::set_security_descriptor_owner, GetLastError());
    }
    const LSTATUS set_status = RegSetKeySecurity(key.get(), OWNER_SECURITY_INFORMATION, &descriptor);
    if (set_status != ERROR_SUCCESS) {
        return failed(SecurityStep::set_key_security, static_cast<DWORD>(set_status));
    }
    return SecurityOutcome{};
}

// Reads the key's DACL into `buffer` and points `dacl` into it (null when the key has none).
SecurityOutcome read_dacl(HKEY key, std::vector<BYTE>& buffer, PACL& dacl)
{
    DWORD size = 0;
    LSTATUS status = RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
    if (status != ERROR_INSUFFICIENT_BUFFER && status != ERROR_SUCCESS) {
        return failed(SecurityStep::get_key_security, static_cast<DWORD>(status));
    }
    buffer.assign(size, 0);
    status = RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, buffer.data(), &size);
    if (status != ERROR_SUCCESS) {
        return failed(SecurityStep::get_key_security, static_cast<DWORD>(status));
    }
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    dacl = nullptr;
    if (!GetSecurityDescriptorDacl(buffer.data(), &present, &dacl, &defaulted)) {
        return failed(SecurityStep::get_security_descriptor_dacl, GetLastError());
    }
    if (!present) {
        dacl = nullptr;
    }
    return SecurityOutcome{};
}

EXPLICIT_ACCESS_W access_for(PSID group, ACCESS_MASK rights)
{
    EXPLICIT_ACCESS_W access{};
    access.grfAccessPermissions = rights;
    access.grfAccessMode = SET_ACCESS;
    access.grfInheritance = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_GROUP;
    access.Trustee.ptstrName = static_cast<LPWSTR>(group);
    return access;
}

SecurityOutcome write_dacl(HKEY key, PACL dacl)
{
    base::UniqueLocalMemory descriptor(LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH));
    if (!descriptor) {
        return failed(SecurityStep::local_alloc, GetLastError());
    }
    if (!InitializeSecurityDescriptor(descriptor.get(), kSecurityDescriptorRevision)) {
        return failed(SecurityStep::initialize_security_descriptor, GetLastError());
    }
    if (!SetSecurityDescriptorDacl(descriptor.get(), TRUE, dacl, FALSE)) {
        return failed(SecurityStep::set_security_descriptor_dacl, GetLastError());
    }
    const LSTATUS status = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor.get());
    if (status != ERROR_SUCCESS) {
        return failed(SecurityStep::set_key_security, static_cast<DWORD>(status));
    }
    return SecurityOutcome{};
}

}  // namespace

SecurityOutcome set_administrators_owner(HKEY root, const std::wstring& subkey)
{
    // An empty subkey would name the hive root itself, which is never ours to change.
    if (subkey.empty()) {
        return failed(SecurityStep::open_key, ERROR_INVALID_PARAMETER);
    }
    PrivilegeGuard privilege(SE_TAKE_OWNERSHIP_NAME);
    if (privilege.result() != PrivilegeGuard::Result::ok) {
        return failed(privilege_failure(privilege.result()), privilege.error());
    }
    const SecurityOutcome outcome = write_owner(root, subkey);
    const bool restored = privilege.restore();
    if (!outcome.ok()) {
        return outcome;
    }
    return restored ? SecurityOutcome{} : failed(SecurityStep::set_privilege);
}

SecurityOutcome grant_write_access(HKEY root, const std::wstring& subkey, WriteAccessFor who)
{
    if (subkey.empty()) {
        return failed(SecurityStep::open_key, ERROR_INVALID_PARAMETER);
    }
    base::UniqueRegKey key;
    const LSTATUS status =
        RegOpenKeyExW(root, subkey.c_str(), 0, READ_CONTROL | WRITE_DAC | KEY_WOW64_64KEY, key.put());
    if (status != ERROR_SUCCESS) {
        return failed(SecurityStep::open_key, static_cast<DWORD>(status));
    }
    std::vector<BYTE> old_descriptor;
    PACL old_dacl = nullptr;
    const SecurityOutcome read = read_dacl(key.get(), old_descriptor, old_dacl);
    if (!read.ok()) {
        return read;
    }
    const base::UniqueSid administrators = base::make_well_known_sid(base::WellKnownSid::builtin_administrators);
    const base::UniqueSid users = base::make_well_known_sid(base::WellKnownSid::builtin_users);
    if (!administrators || !users) {
        return failed(SecurityStep::allocate_and_initialize_sid, GetLastError());
    }
    EXPLICIT_ACCESS_W entries[2] = {access_for(administrators.get(), KEY_ALL_ACCESS),
                                    access_for(users.get(), kUsersWriteAccess)};
    const ULONG count = who == WriteAccessFor::administrators ? 1 : 2;
    base::UniqueLocalPtr<ACL> new_dacl;
    const DWORD merge_status = SetEntriesInAclW(count, entries, old_dacl, new_dacl.put());
    if (merge_status != ERROR_SUCCESS) {
        return failed(SecurityStep::set_entries_in_acl, merge_status);
    }
    return write_dacl(key.get(), new_dacl.get());
}

}  // namespace qev::winsys
