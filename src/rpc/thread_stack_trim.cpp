#include "rpc/thread_stack_trim.h"

#include <windows.h>

#include <cstdint>

namespace qev::rpc {

namespace {

// Room left below the caller's frame for VirtualQuery/VirtualAlloc and what they call.
constexpr uintptr_t kMargin = 0x8000;
constexpr uintptr_t kPage = 0x1000;

// Resets the committed, unguarded parts of [low, high); returns the bytes reset.
size_t reset_committed_pages(uintptr_t low, uintptr_t high)
{
    size_t released = 0;
    uintptr_t at = low;
    while (at < high) {
        MEMORY_BASIC_INFORMATION region{};
        if (VirtualQuery(reinterpret_cast<void*>(at), &region, sizeof(region)) == 0) {
            break;
        }
        const uintptr_t region_end = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
        const uintptr_t end = region_end < high ? region_end : high;
        // Reserved pages and the guard page that lets the stack grow are left as they are.
        const bool plain = region.State == MEM_COMMIT && (region.Protect & (PAGE_GUARD | PAGE_NOACCESS)) == 0;
        if (plain && end > at &&
            VirtualAlloc(reinterpret_cast<void*>(at), end - at, MEM_RESET, PAGE_READWRITE) != nullptr) {
            released += end - at;
        }
        if (end <= at) {
            break;
        }
        at = end;
    }
    return released;
}

}  // namespace

size_t release_unused_stack_pages()
{
    ULONG_PTR limit = 0;
    ULONG_PTR base = 0;
    GetCurrentThreadStackLimits(&limit, &base);
    volatile char here = 0;
    const uintptr_t frame = reinterpret_cast<uintptr_t>(&here);
    if (frame < limit + kMargin) {
        return 0;
    }
    const uintptr_t top = (frame - kMargin) & ~(kPage - 1);
    return reset_committed_pages(limit, top);
}

}  // namespace qev::rpc
