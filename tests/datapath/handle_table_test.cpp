#include "datapath/manager/handle_table_lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace qev::datapath {
namespace {

// Ids and deferred events through the manager: datapath_manager_apo_test.
TEST(HandleTableLock, OtherThreadsWaitAndDoNotDefer)
{
    HandleTableLock lock([](const NotifyEvent&) {});
    std::atomic<bool> acquired{false};
    std::atomic<bool> deferred_elsewhere{true};
    std::thread other;
    {
        const HandleTableLock::Guard guard(lock);
        other = std::thread([&] {
            deferred_elsewhere = lock.defer(NotifyEvent{});
            const HandleTableLock::Guard inner(lock);
            acquired = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_FALSE(acquired.load());
    }
    other.join();
    EXPECT_TRUE(acquired.load());
    EXPECT_FALSE(deferred_elsewhere.load());
}

}  // namespace
}  // namespace qev::datapath
