#include "winaudio/callback_gate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace qev::winaudio {
namespace {

TEST(CallbackGate, WaitOutlastsACallbackOnAnotherThread)
{
    CallbackGate gate;
    std::atomic<bool> inside{false};
    std::atomic<bool> finished{false};
    std::thread callback([&] {
        gate.enter();
        inside = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        finished = true;
        gate.leave();
    });
    while (!inside) {
        std::this_thread::yield();
    }
    gate.wait_idle();
    EXPECT_TRUE(finished.load());
    callback.join();
}

TEST(CallbackGate, WaitFromInsideACallbackDoesNotWaitForItself)
{
    CallbackGate gate;
    gate.enter();
    {
        CallbackGate::Pass pass(gate);
        gate.wait_idle();  // would hang if it counted this thread
    }
    gate.wait_idle();
    SUCCEED();
}

}  // namespace
}  // namespace qev::winaudio
