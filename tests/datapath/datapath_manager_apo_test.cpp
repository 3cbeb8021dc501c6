#include "datapath/manager/datapath_manager_apo.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace qev::datapath {

namespace {

// The manager with its configuration step replaceable: when `accept` is set, Config succeeds as
// it will once an endpoint matches and its contexts exist; otherwise the real Config runs.
class ConfigurableManager : public DatapathManagerAPO {
public:
    std::atomic<bool> accept{false};
    bool broadcast_in_config = false;
    std::vector<uint32_t> configured;
    std::vector<uint32_t> status_during_config;
    size_t delivered_during_config = 0;
    std::vector<std::string>* delivered = nullptr;

    uint32_t Config(uint32_t handle, const QevConfig* config) override
    {
        uint32_t status = 0;
        const uint32_t found = GetStatus(handle, &status);
        if (!accept) {
            configured.push_back(handle);
            status_during_config.push_back(found == kQevOk ? status : 0);
            return DatapathManagerAPO::Config(handle, config);
        }
        if (broadcast_in_config) {
            std::string name = "nr_level";
            NotifyEvent event;
            event.type = 5;
            event.value = handle;
            event.text = name.c_str();
            Broadcast(event);
            delivered_during_config = delivered->size();
        }
        return found;
    }
};

void collect(const NotifyEvent* event, void* context)
{
    static_cast<std::vector<std::string>*>(context)->push_back(std::to_string(event->type) + ":" +
                                                               std::to_string(event->value) + ":" +
                                                               (event->text != nullptr ? event->text : "-"));
}

uint32_t create_accepted(ConfigurableManager& manager)
{
    manager.accept = true;
    uint32_t handle = 0;
    EXPECT_EQ(manager.Create(&handle, nullptr), kQevOk);
    return handle;
}

TEST(DatapathManagerCallbacks, RegistrationIdsAndBroadcastOrder)
{
    DatapathManagerAPO manager;
    std::vector<std::string> first;
    std::vector<std::string> second;
    uint32_t a = 99;
    uint32_t b = 99;
    ASSERT_EQ(manager.RegisterCallback(collect, &first, &a), kQevOk);
    ASSERT_EQ(manager.RegisterCallback(collect, &second, &b), kQevOk);
    EXPECT_EQ(a, 0u);
    EXPECT_EQ(b, 1u);
    NotifyEvent event;
    event.type = 0;
    event.value = 1;
    manager.Broadcast(event);
    EXPECT_EQ(first, std::vector<std::string>{"0:1:-"});
    EXPECT_EQ(second, std::vector<std::string>{"0:1:-"});
    EXPECT_EQ(manager.UnregisterCallback(a), kQevOk);
    EXPECT_EQ(manager.UnregisterCallback(a), kQevOk);  // unknown ids are fine
    manager.Broadcast(event);
    EXPECT_EQ(first.size(), 1u);
    EXPECT_EQ(second.size(), 2u);
    uint32_t c = 0;
    ASSERT_EQ(manager.RegisterCallback(collect, &first, &c), kQevOk);
    EXPECT_EQ(c, 2u);
    EXPECT_EQ(manager.RegisterCallback(collect, &first, nullptr), kQevInvalidArgument);
}

TEST(DatapathManagerCallbacks, BroadcastOrderFollowsIds)
{
    DatapathManagerAPO manager;
    std::vector<std::string> log;
    std::pair<std::vector<std::string>*, const char*> tags[3] = {{&log, "x"}, {&log, "y"}, {&log, "z"}};
    const QevNotifyCallback tagged = [](const NotifyEvent*, void* context) {
        auto* tag = static_cast<std::pair<std::vector<std::string>*, const char*>*>(context);
        tag->first->push_back(tag->second);
    };
    uint32_t id = 0;
    for (auto& tag : tags) {
        manager.RegisterCallback(tagged, &tag, &id);
    }
    manager.Broadcast(NotifyEvent{});
    EXPECT_EQ(log, (std::vector<std::string>{"x", "y", "z"}));
}

TEST(DatapathManagerCallbacks, EventsRaisedInsideAnOperationArriveAfterIt)
{
    ConfigurableManager manager;
    std::vector<std::string> delivered;
    uint32_t id = 0;
    manager.RegisterCallback(collect, &delivered, &id);
    manager.delivered = &delivered;
    manager.broadcast_in_config = true;
    const uint32_t handle = create_accepted(manager);
    EXPECT_EQ(manager.delivered_during_config, 0u);
    EXPECT_EQ(delivered, std::vector<std::string>{"5:" + std::to_string(handle) + ":nr_level"});
}

TEST(DatapathManagerConcurrency, ParallelClientsNeitherCollideNorDeadlock)
{
    ConfigurableManager manager;
    manager.accept = true;
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

}  // namespace

}  // namespace qev::datapath
