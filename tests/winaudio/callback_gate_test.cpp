#include "winaudio/callback_gate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace qev::winaudio {
namespace {

TEST(CallbackGate, WaitOutlastsCallbacksOnOtherThreadsButNotTheCallerOwn)
{
    CallbackGate gate;
    std::atomic<bool> inside{false};
    std::atomic<bool> finished{false};
    std::thread callback([&] {
        gate.enter();
        const CallbackGate::Pass pass(gate);
        inside = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the test thread waits meanwhile
        gate.wait_idle();  // from inside a callback: would hang if it counted this thread
        finished = true;
    });
    while (!inside) {
        std::this_thread::yield();
    }
    gate.wait_idle();
    EXPECT_TRUE(finished.load());
    callback.join();
}

}  // namespace
}  // namespace qev::winaudio
