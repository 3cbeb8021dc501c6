#include "datapath/manager/handle_table.h"
#include "datapath/manager/handle_table_lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace qev::datapath {

namespace {

TEST(HandleTable, IssuesIncreasingIdsNeverReusedNorZero)
{
    HandleTable table;
    EXPECT_EQ(table.issue(), 1u);
    EXPECT_EQ(table.issue(), 2u);
    const QevDataPathCntx* cntx = table.find(2);
    ASSERT_NE(cntx, nullptr);
    EXPECT_EQ(cntx->handle, 2u);
    EXPECT_EQ(cntx->status, 7u);
    EXPECT_EQ(cntx->direction, 2u);
    EXPECT_TRUE(cntx->device_name.empty());
    EXPECT_TRUE(cntx->device_id.empty());
    EXPECT_TRUE(table.erase(1));
    EXPECT_FALSE(table.erase(1));
    EXPECT_EQ(table.find(1), nullptr);
    EXPECT_EQ(table.issue(), 3u);
    EXPECT_EQ(table.last_issued(), 3u);
    EXPECT_EQ(table.size(), 2u);
    EXPECT_EQ(table.find(0), nullptr);
    EXPECT_FALSE(table.erase(0));
    EXPECT_EQ(table.find(99), nullptr);
}

struct Delivered {
    std::vector<std::string> texts;
    std::vector<bool> lock_held;
};

TEST(HandleTableLock, EventsRaisedUnderTheLockArriveAfterTheOutermostRelease)
{
    Delivered delivered;
    HandleTableLock* self = nullptr;
    HandleTableLock lock([&](const NotifyEvent& event) {
        delivered.texts.push_back(event.text != nullptr ? event.text : "-");
        delivered.lock_held.push_back(self->held_by_current_thread());
    });
    self = &lock;
    EXPECT_FALSE(lock.defer(NotifyEvent{}));  // outside the lock: not deferred
    EXPECT_TRUE(delivered.texts.empty());
    {
        const HandleTableLock::Guard outer(lock);
        {
            const HandleTableLock::Guard inner(lock);  // the owner takes it again
            std::string name = "nr_level";
            NotifyEvent event;
            event.type = 5;
            event.value = 3;
            event.text = name.c_str();
            EXPECT_TRUE(lock.defer(event));
            name = "overwritten";  // the queued copy must not depend on the caller's buffer
        }
        EXPECT_TRUE(delivered.texts.empty());
        NotifyEvent nameless;
        EXPECT_TRUE(lock.defer(nameless));
        EXPECT_TRUE(lock.held_by_current_thread());
    }
    EXPECT_EQ(delivered.texts, (std::vector<std::string>{"nr_level", "-"}));
    EXPECT_EQ(delivered.lock_held, (std::vector<bool>{false, false}));
    EXPECT_FALSE(lock.held_by_current_thread());
}

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
