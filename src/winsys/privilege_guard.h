#pragma once

#include <windows.h>

#include "base/unique_handle.h"

namespace qev::winsys {

// Enables one privilege of the process token and disables it again on every path.
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

    // Disables the privilege now; false when that failed. Called at most once.
    bool disable();

private:
    static Result adjust(HANDLE token, const LUID& luid, DWORD attributes, DWORD& error);

    base::UniqueKernelHandle token_;
    LUID luid_{};
    bool enabled_ = false;
    Result result_ = Result::ok;
    DWORD error_ = ERROR_SUCCESS;
};

}  // namespace qev::winsys
