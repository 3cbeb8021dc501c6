#include "rpc/thread_stack_trim.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <cstring>
#include <thread>

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

uint64_t expected_sum(int depth)
{
    uint64_t sum = 0;
    for (int d = 0; d <= depth; ++d) {
        for (int i = 0; i < kFrameBytes; i += 512) {
            sum += static_cast<uint8_t>(i + d);
        }
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

struct TrimRun {
    uint64_t before_sum = 0;
    size_t released = 0;
    size_t working_set_drop = 0;
    uint64_t after_sum = 0;
    uint64_t deeper_sum = 0;
};

TrimRun run_trim(int depth, int deeper_depth)
{
    TrimRun run;
    std::thread thread([&run, depth, deeper_depth] {
        run.before_sum = deep_sum(depth);
        const size_t before = working_set();
        run.released = release_unused_stack_pages();
        const size_t after = working_set();
        run.working_set_drop = before > after ? before - after : 0;
        run.after_sum = deep_sum(depth);
        run.deeper_sum = deep_sum(deeper_depth);
    });
    thread.join();
    return run;
}

TEST(ThreadStackTrim, HandsBackTheUsedStackAndTheThreadKeepsWorking)
{
    constexpr int kDepth = 160;  // about 640 KiB
    const TrimRun run = run_trim(kDepth, kDepth + 100);
    EXPECT_EQ(run.before_sum, expected_sum(kDepth));
    EXPECT_GE(run.released, size_t{512} * 1024) << "the pages the recursion touched were not handed back";
    EXPECT_GE(run.working_set_drop, size_t{256} * 1024) << "the working set did not shrink";
    EXPECT_EQ(run.after_sum, expected_sum(kDepth)) << "the stack is unusable after the trim";
    EXPECT_EQ(run.deeper_sum, expected_sum(kDepth + 100)) << "the stack no longer grows past the old depth";
}

TEST(ThreadStackTrim, KeepsTheCallersFrames)
{
    std::thread thread([] {
        char frame[2048];
        std::memset(frame, 0x6C, sizeof(frame));
        release_unused_stack_pages();
        for (const char byte : frame) {
            ASSERT_EQ(byte, 0x6C);
        }
    });
    thread.join();
}

} // namespace
