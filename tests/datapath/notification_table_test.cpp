#include "datapath/manager/notification_table.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace qev::datapath {

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

TEST(NotificationTable, IdsCountUpSkipIdsInUseWrapAfterTheLastAndStopAtCapacity)
{
    const uint32_t last = NotificationTable::kLastId;
    NotificationTable table(3, last - 1);
    uint32_t id = 0;
    for (const uint32_t expected : {last - 1, last, 0u}) {
        ASSERT_TRUE(table.add(record, nullptr, &id));
        EXPECT_EQ(id, expected);
    }
    EXPECT_FALSE(table.add(record, nullptr, &id));
    EXPECT_EQ(id, NotificationTable::kNoId);
    table.remove(12345);  // unknown: no effect
    table.remove(last - 1);
    EXPECT_EQ(table.size(), 2u);
    ASSERT_TRUE(table.add(record, nullptr, &id));
    EXPECT_EQ(id, 1u) << "a removed id is not reused before the count comes round";
}

TEST(NotificationTable, BroadcastCallsLiveCallbacksInIdOrder)
{
    NotificationTable table;
    Recorder recorder;
    Tagged tags[] = {{&recorder, "a"}, {&recorder, "b"}, {&recorder, "c"}, {&recorder, "d"}};
    uint32_t ids[4] = {};
    table.add(record, &tags[0], &ids[0]);
    table.add(nullptr, &tags[1], &ids[1]);  // null callbacks are skipped
    table.add(record, &tags[2], &ids[2]);
    table.add(record, &tags[3], &ids[3]);
    table.remove(ids[2]);
    NotifyEvent event;
    event.type = 5;
    event.value = 7;
    event.text = "nr_level";
    table.broadcast(event);
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"a:5:7:nr_level", "d:5:7:nr_level"}));
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
