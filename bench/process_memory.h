#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

namespace qev::bench {

struct MemorySample {
    std::uint64_t private_bytes = 0;  // PrivateUsage: committed memory of the process alone
    std::uint64_t working_set = 0;
};

// The memory counters of another process; nothing when it cannot be opened or read.
std::optional<MemorySample> sample_memory(DWORD pid);

}  // namespace qev::bench
