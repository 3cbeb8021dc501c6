#include "rpc/thread_stack_trim.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <thread>

namespace qev::rpc {

namespace {

constexpr int kFrameBytes = 4096;

// Uses about depth * 4 KiB of stack, writing every frame, and returns a sum that depends on all of it.
#if defined(_MSC_VER)
__declspec(noinline)
#endif
    uint64_t deep_sum(int depth)
{
    volatile uint8_t frame[kFrameBytes];
    for (int i = 0; i < kFrameBytes; ++i) {
        frame[i] = static_cast<uint8_t>(i + depth);
    }
    uint64_t sum = depth > 0 ? deep_sum(depth - 1) : 0;
    for (int i = 0; i < kFrameBytes; i += 512) {
        sum += frame[i];
    }
    return sum;
}

size_t working_set()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return counters.WorkingSetSize;
}

TEST(ThreadStackTrim, HandsBackTheUsedStackKeepsTheCallersFramesAndTheThreadWorks)
{
    constexpr int kDepth = 260;  // about 1 MiB
    std::thread thread([] {
        char frame[2048];
        std::memset(frame, 0x6C, sizeof(frame));
        const uint64_t sum = deep_sum(kDepth);
        const size_t before = working_set();
        EXPECT_GE(release_unused_stack_pages(), size_t{512} * 1024) << "the touched pages were not handed back";
        const size_t after = working_set();
        EXPECT_GE(before > after ? before - after : 0, size_t{256} * 1024) << "the working set did not shrink";
        EXPECT_EQ(std::count(frame, frame + sizeof(frame), 0x6C), static_cast<std::ptrdiff_t>(sizeof(frame)));
        EXPECT_EQ(deep_sum(kDepth), sum) << "the stack is unusable after the trim";
    });
    thread.join();
}

}  // namespace

}  // namespace qev::rpc
