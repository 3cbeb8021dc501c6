#include "winsys/privilege_guard.h"

namespace qev::winsys {

PrivilegeGuard::PrivilegeGuard(const wchar_t* privilege_name)
{
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token_.put())) {
        result_ = Result::open_token_failed;
        error_ = GetLastError();
        return;
    }
    if (!LookupPrivilegeValueW(nullptr, privilege_name, &luid_)) {
        result_ = Result::lookup_failed;
        error_ = GetLastError();
        return;
    }
    result_ = adjust(token_.get(), luid_, SE_PRIVILEGE_ENABLED, error_);
    // A token without the privilege is left unchanged, so there is nothing to undo then.
    enabled_ = result_ == Result::ok;
}

PrivilegeGuard::~PrivilegeGuard()
{
    disable();
}

bool PrivilegeGuard::disable()
{
    if (!enabled_) {
        return true;
    }
    enabled_ = false;
    DWORD error = ERROR_SUCCESS;
    return adjust(token_.get(), luid_, 0, error) == Result::ok;
}

PrivilegeGuard::Result PrivilegeGuard::adjust(HANDLE token, const LUID& luid, DWORD attributes, DWORD& error)
{
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Luid = luid;
    privileges.Privileges[0].Attributes = attributes;
    if (!AdjustTokenPrivileges(token, FALSE, &privileges, sizeof(privileges), nullptr, nullptr)) {
        error = GetLastError();
        return Result::adjust_failed;
    }
    // AdjustTokenPrivileges succeeds even when the token lacks the privilege.
    error = GetLastError();
    return error == ERROR_NOT_ALL_ASSIGNED ? Result::not_assigned : Result::ok;
}

}  // namespace qev::winsys
