#pragma once

#include <windows.h>

#include "base/unique_handle.h"

namespace qev::winsys {

// Enables one privilege for the calling thread only, and puts things back on every path. The thread
// impersonates a copy of the process token for the duration (or adjusts the token it already
// impersonates and restores its previous state), so other threads and the process token never see
// the change: two threads using the privilege at once cannot switch it off under each other, and a
// privilege the process had enabled stays enabled.
class PrivilegeGuard {
public:
    enum class Result { ok, open_token_failed, lookup_failed, adjust_failed, not_assigned };

    explicit PrivilegeGuard(const wchar_t* privilege_name);
    ~PrivilegeGuard();

    PrivilegeGuard(const PrivilegeGuard&) = delete;
    PrivilegeGuard& operator=(const PrivilegeGuard&) = delete;

    // Outcome of enabling, with the Windows error when a call failed.
    Result result() const { return result_; }
    DWORD error() const { return error_; }

    // Puts the thread's token back now; false when that failed. Later calls do nothing.
    bool restore();

private:
    bool open_thread_token();
    bool enable(const wchar_t* privilege_name);

    base::UniqueKernelHandle token_;
    // This guard made the thread impersonate, so reverting undoes everything at once.
    bool reverts_impersonation_ = false;
    // The thread already impersonated: its token gets its previous privilege state back.
    bool restores_previous_ = false;
    TOKEN_PRIVILEGES previous_{};
    Result result_ = Result::ok;
    DWORD error_ = ERROR_SUCCESS;
};

}  // namespace qev::winsys
