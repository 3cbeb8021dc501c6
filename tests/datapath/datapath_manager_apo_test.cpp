#include "datapath/manager/datapath_manager_apo.h"

#include "datapath/catalogue/catalogue.h"
#include "debug_output_capture.h"

#include <gtest/gtest.h>

#include <algorithm>
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

QevConfig capture_config(const char* name)
{
    QevConfig config;
    config.primary_device = name;
    return config;
}

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

TEST(DatapathManager, SingletonAndFixedInfo)
{
    EXPECT_EQ(&DatapathManagerAPO::instance(), &DatapathManagerAPO::instance());
    DatapathManagerAPO manager;
    ServerInfo info;
    ASSERT_EQ(manager.GetInfo(&info), kQevOk);
    EXPECT_EQ(info.info0, 1u);
    EXPECT_EQ(info.info1, 601u);
    EXPECT_EQ(info.info2, 2777u);
    EXPECT_EQ(info.info3, 0u);
    EXPECT_EQ(manager.GetInfo(nullptr), kQevInvalidArgument);
}

TEST(DatapathManagerEnum, AlgorithmsAndUnknownTypes)
{
    DatapathManagerAPO manager;
    std::vector<std::string> names;
    ASSERT_EQ(manager.Enum(2, &names), kQevOk);
    EXPECT_EQ(names, Catalogue::algorithm_names());
    for (uint32_t type : {3u, 4u, 0xFFFFFFFFu}) {
        std::vector<std::string> none;
        EXPECT_EQ(manager.Enum(type, &none), kQevUnknownEnumType) << type;
        EXPECT_TRUE(none.empty()) << type;
    }
    EXPECT_EQ(manager.Enum(2, nullptr), kQevInvalidArgument);
}

TEST(DatapathManagerEnum, EndpointTypesAppendTheRefreshedCopy)
{
    DatapathManagerAPO manager;
    for (uint32_t type : {0u, 1u}) {
        std::vector<std::string> names{"kept"};
        ASSERT_EQ(manager.Enum(type, &names), kQevOk) << type;
        ASSERT_FALSE(names.empty());
        EXPECT_EQ(names.front(), "kept");  // appended, not replaced
        const std::vector<std::string> listed = EndpointLists::process_wide().friendly_names(type);
        EXPECT_EQ(std::vector<std::string>(names.begin() + 1, names.end()), listed) << type;
    }
}

TEST(DatapathManagerCreate, NoMatchingEndpointFailsAndLeavesNoHandle)
{
    DebugOutputCapture capture;
    ConfigurableManager manager;
    uint32_t handle = 77;
    const QevConfig config = capture_config("No Such Microphone");
    EXPECT_EQ(manager.Create(&handle, &config), kQevNotCarriedOut);
    EXPECT_EQ(handle, 77u);
    EXPECT_TRUE(capture.contains("[qev] cannot get device from context\n"));
    ASSERT_EQ(manager.configured, std::vector<uint32_t>{1});
    EXPECT_EQ(manager.status_during_config, std::vector<uint32_t>{7});  // inserted before Config
    uint32_t status = 0;
    EXPECT_EQ(manager.GetStatus(1, &status), kQevInvalidArgument);
}

TEST(DatapathManagerCreate, BlankAndMissingNamesFail)
{
    ConfigurableManager manager;
    uint32_t handle = 0;
    QevConfig blank;
    blank.primary_device = " \t ";
    blank.secondary_device = "";
    EXPECT_EQ(manager.Create(&handle, &blank), kQevNotCarriedOut);
    const QevConfig empty;
    EXPECT_EQ(manager.Create(&handle, &empty), kQevNotCarriedOut);
    EXPECT_EQ(manager.Create(&handle, nullptr), kQevInvalidArgument);
    EXPECT_EQ(manager.Create(nullptr, &empty), kQevInvalidArgument);
    EXPECT_EQ(manager.configured, (std::vector<uint32_t>{1, 2, 3}));  // the last call issued nothing
}

TEST(DatapathManagerCreate, EveryAttemptAdvancesTheCounterAndIdsAreNeverReused)
{
    ConfigurableManager manager;
    uint32_t handle = 0;
    const QevConfig config = capture_config("nothing");
    EXPECT_EQ(manager.Create(&handle, &config), kQevNotCarriedOut);
    const uint32_t first = create_accepted(manager);
    EXPECT_EQ(first, 2u);
    EXPECT_EQ(manager.Destroy(first, true), kQevOk);
    EXPECT_EQ(create_accepted(manager), 3u);
}

TEST(DatapathManagerHandles, StatusFollowsStartAndStop)
{
    ConfigurableManager manager;
    const uint32_t handle = create_accepted(manager);
    uint32_t status = 0;
    ASSERT_EQ(manager.GetStatus(handle, &status), kQevOk);
    EXPECT_EQ(status, 7u);
    const struct {
        uint32_t (DatapathManagerAPO::*call)(uint32_t);
        uint32_t status;
    } steps[] = {{&DatapathManagerAPO::Start, 2u}, {&DatapathManagerAPO::Stop, 1u}, {&DatapathManagerAPO::Start, 2u}};
    for (const auto& step : steps) {
        EXPECT_EQ((manager.*step.call)(handle), kQevOk);
        manager.GetStatus(handle, &status);
        EXPECT_EQ(status, step.status);
    }
    EXPECT_EQ(manager.GetStatus(handle, nullptr), kQevInvalidArgument);
}

TEST(DatapathManagerHandles, DestroyWithoutEraseKeepsTheHandle)
{
    ConfigurableManager manager;
    const uint32_t handle = create_accepted(manager);
    EXPECT_EQ(manager.Destroy(handle, false), kQevOk);
    uint32_t status = 0;
    EXPECT_EQ(manager.GetStatus(handle, &status), kQevOk);
    EXPECT_EQ(manager.Destroy(handle, true), kQevOk);
    EXPECT_EQ(manager.GetStatus(handle, &status), kQevInvalidArgument);
    EXPECT_EQ(manager.Destroy(handle, true), kQevInvalidArgument);
}

TEST(DatapathManagerHandles, UnknownHandlesGiveThreeEverywhere)
{
    ConfigurableManager manager;
    const uint32_t live = create_accepted(manager);
    manager.accept = false;
    const QevConfig config = capture_config("Mic");
    QevParam param{"nr_level", 50.0f};
    const QevSerializedParam path{"vpnr_bias_file_path", 0, nullptr};
    const QevSerializedParam save{"save_vpnr_bias_file", 0, nullptr};
    for (const uint32_t handle : {0u, live + 1, 0xFFFFFFFFu}) {
        uint32_t status = 0;
        QevSerializedParam out;
        EXPECT_EQ(manager.Destroy(handle, true), kQevInvalidArgument) << handle;
        EXPECT_EQ(manager.Destroy(handle, false), kQevInvalidArgument) << handle;
        EXPECT_EQ(manager.Config(handle, &config), kQevInvalidArgument) << handle;
        EXPECT_EQ(manager.Start(handle), kQevInvalidArgument) << handle;
        EXPECT_EQ(manager.Stop(handle), kQevInvalidArgument) << handle;
        EXPECT_EQ(manager.Set(handle, &param), kQevInvalidArgument) << handle;
        EXPECT_EQ(manager.Get(handle, &param), kQevInvalidArgument) << handle;
        EXPECT_EQ(manager.GetStatus(handle, &status), kQevInvalidArgument) << handle;
        EXPECT_EQ(manager.SetSerialized(handle, &path), kQevInvalidArgument) << handle;
        EXPECT_EQ(manager.SetSerialized(handle, &save), kQevInvalidArgument) << handle;
        EXPECT_EQ(manager.GetSerialized(handle, &path, &out), kQevInvalidArgument) << handle;
        EXPECT_EQ(out.data, nullptr);
    }
    uint32_t status = 0;
    EXPECT_EQ(manager.GetStatus(live, &status), kQevOk);  // the live handle is untouched
    EXPECT_EQ(status, 7u);
}

TEST(DatapathManagerParams, SetRejectsUnknownReadOnlyAndOutOfRange)
{
    ConfigurableManager manager;
    const uint32_t handle = create_accepted(manager);
    const std::vector<QevParam> rejected{
        {"no_such_param", 1.0f},
        {"nr_level_min", 0.0f},
        {"nr_level_max", 100.0f},
        {"core_select", 1.0f},
        {"bf_vad", 0.0f},
        {"nr_level", 101.0f},
        {"NR_LEVEL", -1.0f},
        {"bf_degree", 45.0f},
        {"bf_degree", 90.0f},
        {"shotgun_bf_direction", 0.0f},
        {"shotgun_bf_direction", 16.0f},
        {"bf_whisper_enable", 0.5f},
        {"algo_name", 10.0f},
        {"algo_name", -1.0f},
        {"bypass", 0.5f},
        {"shotgun_bf_flip_mode", 3.0f},
    };
    for (const QevParam& param : rejected) {
        EXPECT_EQ(manager.Set(handle, &param), kQevInvalidArgument) << param.name << " " << param.value;
    }
    QevParam nameless{nullptr, 0.0f};
    EXPECT_EQ(manager.Set(handle, &nameless), kQevInvalidArgument);
    EXPECT_EQ(manager.Set(handle, nullptr), kQevInvalidArgument);
}

TEST(DatapathManagerParams, AcceptedValuesAreNotCarriedOutWithoutContexts)
{
    ConfigurableManager manager;
    const uint32_t handle = create_accepted(manager);
    DebugOutputCapture capture;
    const std::vector<QevParam> accepted{
        {"nr_level", 50.9f}, {"Bf_Degree", 40.0f}, {"shotgun_bf_direction", 5.0f},
        {"algo_name", 2.0f}, {"bypass", 1.0f},
    };
    for (const QevParam& param : accepted) {
        EXPECT_EQ(manager.Set(handle, &param), kQevNotCarriedOut) << param.name;
    }
    EXPECT_TRUE(capture.contains("[qev] you should NOT set bypass!!\n"));
    EXPECT_TRUE(
        capture.contains("[qev] datapath: Set \"bf_degree\" not carried out: parameter contexts are not available\n"));
}

TEST(DatapathManagerParams, GetReadsTheLevelLimitsFromTheCatalogue)
{
    ConfigurableManager manager;
    const uint32_t handle = create_accepted(manager);
    QevParam min{"nr_level_min", -5.0f};
    QevParam max{"NR_Level_Max", -5.0f};
    ASSERT_EQ(manager.Get(handle, &min), kQevOk);
    ASSERT_EQ(manager.Get(handle, &max), kQevOk);
    EXPECT_EQ(min.value, 0.0f);
    EXPECT_EQ(max.value, 100.0f);
    QevParam unknown{"nr_level_voip", 0.0f};
    EXPECT_EQ(manager.Get(handle, &unknown), kQevInvalidArgument);
    QevParam level{"nr_level", 0.0f};
    EXPECT_EQ(manager.Get(handle, &level), kQevNotCarriedOut);
    EXPECT_EQ(manager.Get(handle, nullptr), kQevInvalidArgument);
}

TEST(DatapathManagerSerialized, NamesAndAccessAreCheckedFirstAndSomeNeedNoHandle)
{
    ConfigurableManager manager;
    const uint32_t handle = create_accepted(manager);
    QevSerializedParam out;
    const QevSerializedParam unknown{"nr_level", 0, nullptr};
    const QevSerializedParam save{"SAVE_VPNR_BIAS_FILE", 0, nullptr};
    const QevSerializedParam nameless{nullptr, 0, nullptr};
    for (const uint32_t h : {handle, 0u}) {
        EXPECT_EQ(manager.SetSerialized(h, &unknown), kQevInvalidArgument);
        EXPECT_EQ(manager.GetSerialized(h, &unknown, &out), kQevInvalidArgument);
        EXPECT_EQ(manager.GetSerialized(h, &save, &out), kQevInvalidArgument);  // write only
        EXPECT_EQ(manager.SetSerialized(h, &nameless), kQevInvalidArgument);
    }
    EXPECT_EQ(manager.SetSerialized(handle, nullptr), kQevInvalidArgument);
    EXPECT_EQ(manager.GetSerialized(handle, &save, nullptr), kQevInvalidArgument);
    EXPECT_EQ(manager.SetSerialized(handle, &save), kQevNotCarriedOut);
    // The registry and delete requests pass handle 0 and reach the (missing) contexts.
    const QevSerializedParam win_reg{"win_reg", 0, nullptr};
    const QevSerializedParam remove{"delete_vpnr_bias_file", 0, nullptr};
    EXPECT_EQ(manager.SetSerialized(0, &win_reg), kQevNotCarriedOut);
    EXPECT_EQ(manager.GetSerialized(0, &win_reg, &out), kQevNotCarriedOut);
    EXPECT_EQ(manager.SetSerialized(0, &remove), kQevNotCarriedOut);
    EXPECT_EQ(out.name, nullptr);
    EXPECT_EQ(out.data, nullptr);
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
                QevParam max{"nr_level_max", 0.0f};
                if (manager.Create(&handle, nullptr) != kQevOk || manager.Start(handle) != kQevOk ||
                    manager.GetStatus(handle, &status) != kQevOk || status != 2 ||
                    manager.Get(handle, &max) != kQevOk || max.value != 100.0f ||
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
