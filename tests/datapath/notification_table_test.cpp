#include "datapath/manager/notification_table.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace qev::datapath {

namespace {

// Each context is a {calls, tag} pair so the order of calls across subscribers is visible.
struct Tagged {
    std::vector<std::string>* calls;
    std::string tag;
};

void record(const NotifyEvent* event, void* context)
{
    auto* tagged = static_cast<Tagged*>(context);
    tagged->calls->push_back(tagged->tag + ":" + std::to_string(event->type) + ":" + std::to_string(event->value) +
                             ":" + (event->text ? event->text : "-"));
}

TEST(NotificationTable, IdsWrapAndStopAtCapacityAndBroadcastReachesLiveCallbacksInIdOrder)
{
    const uint32_t last = NotificationTable::kLastId;
    NotificationTable wrapping(3, last - 1);
    uint32_t id = 0;
    for (const uint32_t expected : {last - 1, last, 0u}) {
        ASSERT_TRUE(wrapping.add(record, nullptr, &id));
        EXPECT_EQ(id, expected);
    }
    EXPECT_FALSE(wrapping.add(record, nullptr, &id));
    EXPECT_EQ(id, NotificationTable::kNoId);
    wrapping.remove(12345);  // unknown: no effect
    wrapping.remove(last - 1);
    EXPECT_EQ(wrapping.size(), 2u);
    ASSERT_TRUE(wrapping.add(record, nullptr, &id));
    EXPECT_EQ(id, 1u) << "a removed id is not reused before the count comes round";

    NotificationTable table;
    std::vector<std::string> calls;
    Tagged tags[] = {{&calls, "a"}, {&calls, "b"}, {&calls, "c"}, {&calls, "d"}};
    uint32_t ids[4] = {};
    for (int i = 0; i < 4; ++i) {
        table.add(i == 1 ? nullptr : record, &tags[i], &ids[i]);  // null callbacks are skipped
    }
    table.remove(ids[2]);
    table.broadcast(NotifyEvent{5, 7, "nr_level"});
    EXPECT_EQ(calls, (std::vector<std::string>{"a:5:7:nr_level", "d:5:7:nr_level"}));
}

struct Gate {
    std::atomic<bool> entered{false};
    std::atomic<bool> release{false};
    std::atomic<bool> finished{false};
};

void wait_at_gate(const NotifyEvent*, void* context)
{
    auto* gate = static_cast<Gate*>(context);
    gate->entered = true;
    while (!gate->release) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    gate->finished = true;
}

TEST(NotificationTable, RemoveWaitsForARunningCallback)
{
    NotificationTable table;
    Gate gate;
    uint32_t id = 0;
    table.add(wait_at_gate, &gate, &id);
    std::thread broadcaster([&] { table.broadcast(NotifyEvent{}); });
    while (!gate.entered) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::atomic<bool> removed{false};
    std::thread remover([&] {
        table.remove(id);
        removed = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(removed.load());
    gate.release = true;
    remover.join();
    broadcaster.join();
    EXPECT_TRUE(gate.finished.load());
    EXPECT_TRUE(removed.load());
    EXPECT_EQ(table.size(), 0u);
}

}  // namespace

}  // namespace qev::datapath
