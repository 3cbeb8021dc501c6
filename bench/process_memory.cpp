#include "process_memory.h"

#include "base/unique_handle.h"

#include <psapi.h>

namespace qev::bench {

std::optional<MemorySample> sample_memory(DWORD pid)
{
    const base::UniqueKernelHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    if (!process) {
        return std::nullopt;
    }
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters))) {
        return std::nullopt;
    }
    return MemorySample{counters.PrivateUsage, counters.WorkingSetSize};
}

}  // namespace qev::bench
