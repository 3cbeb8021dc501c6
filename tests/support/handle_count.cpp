#include "handle_count.h"

DWORD open_handle_count()
{
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0) {
        return count;
    }
    // Handle values are given out lowest first: past a long run of unused ones there are no more.
    constexpr ULONG_PTR kHighestProbed = 0x40000;
    constexpr ULONG_PTR kUnusedRun = 0x1000;
    ULONG_PTR last_used = 0;
    for (ULONG_PTR value = 4; value <= kHighestProbed && value - last_used <= kUnusedRun; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++count;
            last_used = value;
        }
    }
    return count;
}
