#include "winsys/privilege_guard.h"

namespace qev::winsys {

PrivilegeGuard::PrivilegeGuard(const wchar_t* privilege_name)
{
    if (!open_thread_token()) {
        result_ = Result::open_token_failed;
        error_ = GetLastError();
        return;
    }
    enable(privilege_name);
}

PrivilegeGuard::~PrivilegeGuard()
{
    restore();
}

bool PrivilegeGuard::open_thread_token()
{
    constexpr DWORD kAccess = TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY;
    if (OpenThreadToken(GetCurrentThread(), kAccess, TRUE, token_.put())) {
        return true;
    }
    if (GetLastError() != ERROR_NO_TOKEN || !ImpersonateSelf(SecurityImpersonation)) {
        return false;
    }
    reverts_impersonation_ = true;
    if (OpenThreadToken(GetCurrentThread(), kAccess, TRUE, token_.put())) {
        return true;
    }
    const DWORD error = GetLastError();
    restore();
    SetLastError(error);
    return false;
}

bool PrivilegeGuard::enable(const wchar_t* privilege_name)
{
    LUID luid{};
    if (!LookupPrivilegeValueW(nullptr, privilege_name, &luid)) {
        result_ = Result::lookup_failed;
        error_ = GetLastError();
        restore();
        return false;
    }
    TOKEN_PRIVILEGES wanted{};
    wanted.PrivilegeCount = 1;
    wanted.Privileges[0].Luid = luid;
    wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    DWORD previous_size = 0;
    if (!AdjustTokenPrivileges(token_.get(), FALSE, &wanted, sizeof(previous_), &previous_, &previous_size)) {
        result_ = Result::adjust_failed;
        error_ = GetLastError();
        restore();
        return false;
    }
    // AdjustTokenPrivileges succeeds even when the token lacks the privilege; nothing changed then.
    error_ = GetLastError();
    if (error_ == ERROR_NOT_ALL_ASSIGNED) {
        result_ = Result::not_assigned;
        restore();
        return false;
    }
    error_ = ERROR_SUCCESS;
    restores_previous_ = !reverts_impersonation_;
    return true;
}

bool PrivilegeGuard::restore()
{
    bool restored = true;
    if (restores_previous_) {
        restores_previous_ = false;
        restored = AdjustTokenPrivileges(token_.get(), FALSE, &previous_, 0, nullptr, nullptr) != FALSE;
    }
    if (reverts_impersonation_) {
        reverts_impersonation_ = false;
        token_.reset();
        restored = RevertToSelf() != FALSE && restored;
    }
    return restored;
}

}  // namespace qev::winsys
