#include "datapath/manager/datapath_manager_apo.h"
#include "datapath/manager/handle_table_lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace qev::datapath {

namespace {

// The manager with its configuration step accepted, as it is once an endpoint matches and its
// contexts exist; it can raise an event from inside that step (under the handle table's lock).
class ConfigurableManager : public DatapathManagerAPO {
public:
    std::vector<std::string>* delivered = nullptr;  // set: Config raises an event
    size_t delivered_during_config = 0;

    uint32_t Config(uint32_t handle, const QevConfig*) override
    {
        uint32_t status = 0;
        if (delivered != nullptr) {
            std::string name = "nr_level";
            NotifyEvent event;
            event.type = 5;
            event.value = handle;
            event.text = name.c_str();
            Broadcast(event);
            name = "overwritten";  // the deferred copy must not depend on the caller's buffer
            delivered_during_config = delivered->size();
        }
        return GetStatus(handle, &status);
    }
};

void collect(const NotifyEvent* event, void* context)
{
    static_cast<std::vector<std::string>*>(context)->push_back(std::to_string(event->type) + ":" +
                                                               std::to_string(event->value) + ":" +
                                                               (event->text != nullptr ? event->text : "-"));
}

TEST(DatapathManagerCallbacks, EventsRaisedInsideAnOperationArriveAfterIt)
{
    ConfigurableManager manager;
    std::vector<std::string> delivered;
    uint32_t id = 0;
    ASSERT_EQ(manager.RegisterCallback(collect, &delivered, &id), kQevOk);
    EXPECT_EQ(manager.RegisterCallback(collect, &delivered, nullptr), kQevInvalidArgument);
    manager.delivered = &delivered;
    uint32_t handle = 0;
    ASSERT_EQ(manager.Create(&handle, nullptr), kQevOk);
    EXPECT_EQ(manager.delivered_during_config, 0u);
    EXPECT_EQ(delivered, std::vector<std::string>{"5:" + std::to_string(handle) + ":nr_level"});
    EXPECT_EQ(manager.UnregisterCallback(12345), kQevOk) << "unknown ids are fine";
}

TEST(DatapathManagerConcurrency, ParallelClientsNeitherCollideNorDeadlock)
{
    ConfigurableManager manager;
    constexpr int kThreads = 6;
    constexpr int kIterations = 300;
    std::vector<std::vector<uint32_t>> issued(kThreads);
    std::atomic<int> failures{0};
    std::atomic<long> events{0};
    const QevNotifyCallback counter = [](const NotifyEvent*, void* context) {
        ++*static_cast<std::atomic<long>*>(context);
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kIterations; ++i) {
                uint32_t handle = 0;
                uint32_t status = 0;
                uint32_t subscription = 0;
                std::vector<std::string> names;
                if (manager.Create(&handle, nullptr) != kQevOk || manager.Start(handle) != kQevOk ||
                    manager.GetStatus(handle, &status) != kQevOk || status != 2 ||
                    manager.RegisterCallback(counter, &events, &subscription) != kQevOk ||
                    manager.Enum(2, &names) != kQevOk || names.size() != 10) {
                    ++failures;
                }
                manager.Broadcast(NotifyEvent{});
                manager.UnregisterCallback(subscription);
                if (manager.Stop(handle) != kQevOk || manager.Destroy(handle, true) != kQevOk) {
                    ++failures;
                }
                issued[t].push_back(handle);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures.load(), 0);
    EXPECT_GE(events.load(), kThreads * kIterations);  // every broadcast reached at least its own thread
    std::set<uint32_t> all;
    for (const auto& list : issued) {
        all.insert(list.begin(), list.end());
    }
    EXPECT_EQ(all.size(), static_cast<size_t>(kThreads * kIterations));
    EXPECT_EQ(*all.begin(), 1u);
    EXPECT_EQ(*all.rbegin(), static_cast<uint32_t>(kThreads * kIterations));
    uint32_t status = 0;
    for (const uint32_t handle : all) {
        EXPECT_EQ(manager.GetStatus(handle, &status), kQevInvalidArgument);
    }
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
