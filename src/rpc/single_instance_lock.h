#pragma once

#include "base/unique_handle.h"

#include <cstdint>
#include <string>

namespace qev::rpc {

// The named mutex that makes the RPC role unique on the machine.
class SingleInstanceLock {
public:
    SingleInstanceLock() = default;

    // Tries 11 times, pausing 500 ms between attempts; false when another process keeps the mutex.
    bool acquire(const std::wstring& name);
    // Closes the mutex handle.
    void release();
    bool held() const { return static_cast<bool>(handle_); }

private:
    static constexpr uint32_t kMaxRetries = 10;
    static constexpr unsigned long kRetryPauseMs = 500;

    bool try_once(const std::wstring& name);

    base::UniqueKernelHandle handle_;
    uint32_t retry_count_ = 0;
};

}  // namespace qev::rpc
