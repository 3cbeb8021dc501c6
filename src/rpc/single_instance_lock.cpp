#include "rpc/single_instance_lock.h"

#include "base/logging.h"

#include <windows.h>

namespace qev::rpc {

bool SingleInstanceLock::try_once(const std::wstring& name)
{
    handle_.reset(CreateMutexW(nullptr, TRUE, name.c_str()));
    return handle_ && GetLastError() != ERROR_ALREADY_EXISTS;
}

bool SingleInstanceLock::acquire(const std::wstring& name)
{
    while (!try_once(name)) {
        if (retry_count_ == kMaxRetries) {
            // Drop our reference so the other holder's mutex is not kept alive by us.
            handle_.reset();
            base::log_printf("rpc server already running.\n");
            return false;
        }
        Sleep(kRetryPauseMs);
        ++retry_count_;
    }
    return true;
}

void SingleInstanceLock::release()
{
    handle_.reset();
}

}  // namespace qev::rpc
