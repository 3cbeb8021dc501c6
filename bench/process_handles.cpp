#include "process_handles.h"

#include "base/unique_handle.h"

namespace qev::bench {

namespace {

constexpr ULONG_PTR kHighestProbed = 0x40000;

bool names_a_handle(HANDLE process, ULONG_PTR value)
{
    HANDLE copy = nullptr;
    if (DuplicateHandle(process, reinterpret_cast<HANDLE>(value), GetCurrentProcess(), &copy, 0, FALSE,
                        DUPLICATE_SAME_ACCESS)) {
        CloseHandle(copy);
        return true;
    }
    return GetLastError() != ERROR_INVALID_HANDLE;
}

}  // namespace

std::optional<DWORD> count_process_handles(DWORD pid)
{
    const base::UniqueKernelHandle process(OpenProcess(PROCESS_DUP_HANDLE | PROCESS_QUERY_INFORMATION, FALSE, pid));
    if (!process) {
        return std::nullopt;
    }
    DWORD count = 0;
    if (GetProcessHandleCount(process.get(), &count) && count > 0) {
        return count;
    }
    for (ULONG_PTR value = 4; value <= kHighestProbed; value += 4) {
        count += names_a_handle(process.get(), value) ? 1 : 0;
    }
    return count;
}

}  // namespace qev::bench
