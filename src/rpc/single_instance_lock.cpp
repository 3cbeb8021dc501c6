#include "rpc/single_instance_lock.h"

#include "app/logging.h"

#include <windows.h>

namespace {
constexpr wchar_t kMutexName[] = L"qev_sw_server_multiple_instance_mutex";
}

bool SingleInstanceLock::try_once()
{
    handle_.reset(CreateMutexW(nullptr, TRUE, kMutexName));
    return handle_ && GetLastError() != ERROR_ALREADY_EXISTS;
}

bool SingleInstanceLock::acquire()
{
    while (!try_once()) {
        if (retry_count_ == kMaxRetries) {
            // Drop our reference so the other holder's mutex is not kept alive by us.
            handle_.reset();
            log_printf("rpc server already running.\n");
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
