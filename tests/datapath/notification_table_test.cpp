#include "datapath/notification_table.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Recorder {
    std::vector<std::string> calls;
};

// Each context is a {recorder, tag} pair so the order of calls across subscribers is visible.
struct Tagged {
    Recorder* recorder;
    std::string tag;
};

void record(const NotifyEvent* event, void* context)
{
    auto* tagged = static_cast<Tagged*>(context);
    tagged->recorder->calls.push_back(tagged->tag + ":" + std::to_string(event->type) + ":" +
                                      std::to_string(event->value) + ":" + (event->text ? event->text : "-"));
}

TEST(NotificationTable, IdsCountUpFromZero)
{
    NotificationTable table;
    uint32_t a = 99;
    uint32_t b = 99;
    ASSERT_TRUE(table.add(record, nullptr, &a));
    ASSERT_TRUE(table.add(record, nullptr, &b));
    EXPECT_EQ(a, 0u);
    EXPECT_EQ(b, 1u);
    EXPECT_EQ(table.size(), 2u);
}

TEST(NotificationTable, RemovedIdsAreNotReusedBeforeTheCounterWraps)
{
    NotificationTable table;
    uint32_t id = 0;
    table.add(record, nullptr, &id);
    table.remove(id);
    table.add(record, nullptr, &id);
    EXPECT_EQ(id, 1u);
    table.remove(12345);  // unknown: no effect
    EXPECT_EQ(table.size(), 1u);
}

TEST(NotificationTable, FullTableRefusesWithNoId)
{
    NotificationTable table(2);
    uint32_t id = 0;
    ASSERT_TRUE(table.add(record, nullptr, &id));
    ASSERT_TRUE(table.add(record, nullptr, &id));
    EXPECT_FALSE(table.add(record, nullptr, &id));
    EXPECT_EQ(id, NotificationTable::kNoId);
    EXPECT_EQ(table.size(), 2u);
    table.remove(0);
    EXPECT_TRUE(table.add(record, nullptr, &id));
    EXPECT_EQ(id, 2u);
}

TEST(NotificationTable, CandidateWrapsAfterLastIdAndSkipsIdsInUse)
{
    NotificationTable table(NotificationTable::kMaxCapacity, NotificationTable::kLastId - 1);
    uint32_t id = 0;
    ASSERT_TRUE(table.add(record, nullptr, &id));
    EXPECT_EQ(id, NotificationTable::kLastId - 1);
    ASSERT_TRUE(table.add(record, nullptr, &id));
    EXPECT_EQ(id, NotificationTable::kLastId);
    ASSERT_TRUE(table.add(record, nullptr, &id));
    EXPECT_EQ(id, 0u);
    table.remove(NotificationTable::kLastId - 1);
    ASSERT_TRUE(table.add(record, nullptr, &id));
    EXPECT_EQ(id, 1u);
}

TEST(NotificationTable, CapacityCountsLiveEntries)
{
    NotificationTable table(4);
    uint32_t id = 0;
    table.add(record, nullptr, &id);
    table.add(record, nullptr, &id);
    table.add(record, nullptr, &id);
    table.remove(1);
    ASSERT_TRUE(table.add(record, nullptr, &id));
    EXPECT_EQ(id, 3u);
    ASSERT_TRUE(table.add(record, nullptr, &id));
    EXPECT_EQ(id, 4u);
    EXPECT_FALSE(table.add(record, nullptr, &id));
}

TEST(NotificationTable, BroadcastCallsEveryCallbackInIdOrder)
{
    NotificationTable table;
    Recorder recorder;
    Tagged first{&recorder, "a"};
    Tagged second{&recorder, "b"};
    Tagged third{&recorder, "c"};
    uint32_t id = 0;
    table.add(record, &first, &id);
    table.add(nullptr, &second, &id);  // null callbacks are skipped
    table.add(record, &third, &id);
    NotifyEvent event;
    event.type = 5;
    event.value = 7;
    event.text = "nr_level";
    table.broadcast(event);
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"a:5:7:nr_level", "c:5:7:nr_level"}));
}

TEST(NotificationTable, RemovedSubscriberIsNotCalled)
{
    NotificationTable table;
    Recorder recorder;
    Tagged first{&recorder, "a"};
    Tagged second{&recorder, "b"};
    uint32_t a = 0;
    uint32_t b = 0;
    table.add(record, &first, &a);
    table.add(record, &second, &b);
    table.remove(a);
    table.broadcast(NotifyEvent{});
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"b:0:0:-"}));
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
