#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "context_on_machine.h"
#include "datapath/catalogue/catalogue.h"
#include "datapath/context/feature_values.h"
#include "datapath/context/load_context_to_store.h"
#include "datapath/context/param_context_cache.h"
#include "datapath/context/read_context_from_store.h"
#include "debug_output_capture.h"

namespace qev::datapath::test {
namespace {

std::optional<DWORD> StoredFeature(const std::wstring& key, const char* feature)
{
    return Stored(key, Catalogue::find_feature(feature)->pkey);
}

// "feature=value " for each feature, in name order.
std::string Render(const FeatureValues& values)
{
    std::string text;
    for (const auto& [feature, value] : values) {
        text += feature + "=" + std::to_string(value) + " ";
    }
    return text;
}

TEST(BuildFeatureValues, AlgorithmAndLevelGiveTheFeatureSet)
{
    const struct {
        const char* algorithm;
        uint32_t nr_level;
        const char* expected;
    } rows[] = {
        {"UL_BYPASS", 80,
         "3mics_bf_enable=0 aec_enable=0 bf_enable=0 dmvp_enable=0 euphonic_mic_enable=0 ff_enable=0 "
         "nb_as_speakerphone_enable=0 nr_level=0 vpnr_enable=0 "},
        {"listen", 0, "aec_enable=0 ff_enable=0 nr_level=0 "},
        {"private", 60,
         "3mics_bf_enable=0 aec_enable=1 bf_enable=1 dmvp_enable=0 euphonic_mic_enable=0 ff_enable=0 "
         "nb_as_speakerphone_enable=0 nr_level=60 vpnr_enable=0 "},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Render(BuildFeatureValues(row.algorithm, row.nr_level)), row.expected) << row.algorithm;
    }
}

TEST_F(ContextOnMachine, StoredEnableFeaturesDecideTheAlgorithm)
{
    const FeatureValues two = {{"bf_enable", 1}, {"vpnr_enable", 1}};
    const FeatureValues dmvp = {{"dmvp_enable", 1}, {"nr_level", 40}};
    const FeatureValues normalization = {{"ff_enable", 1}, {"nr_level", 20}};
    const struct {
        const wchar_t* endpoint;
        FeatureValues stored;
        const char* algorithm;
        const char* line;
    } rows[] = {
        {kMicId, two, "general", "[qev] multiple algo selected: 0, 1, 0, 0, 0, 0, 1, this is invalid\n"},
        {kMicId, dmvp, "dmvp", "[qev] algo: dmvp, nr_level: 40\n"},
        {kSpeakersId, normalization, "listening_normalization", "[qev] algo: listening_normalization, nr_level: 20\n"},
        {kSpeakersId, FeatureValues(), "listen", nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.algorithm);
        Load(Generation::kWindows10);
        const APORegControl holder(Device(row.endpoint).Get());
        for (const auto& [feature, value] : row.stored) {
            ASSERT_TRUE(holder.setProperties(feature, value)) << feature;
        }
        const DebugOutputCapture log;
        EXPECT_EQ(ReadContextFromStore(holder), row.algorithm);
        EXPECT_TRUE(row.line == nullptr || log.contains(row.line));
    }
}

// A handle on the microphone array as the manager makes one, recording what its subscription hears.
QevDataPathCntx OpenHandle(uint32_t id, std::vector<std::string>* heard)
{
    QevDataPathCntx cntx;
    cntx.holder = std::make_unique<APORegControl>(Device(kMicId).Get());
    cntx.params = ParamContextCache::Lookup(kMicId);
    cntx.subscription = ParamSubscription(
        cntx.params,
        [heard, id](const std::string& name, void*) {
            heard->push_back(std::to_string(id) + ":" + name);
            return true;
        },
        nullptr);
    return cntx;
}

TEST_F(ContextOnMachine, HandlesShareTheEndpointContextAndOnlyStartedOnesWriteIt)
{
    Load(Generation::kWindows11);
    const std::wstring user = std::wstring(kMicFx) + kApoStores + L"\\User";
    std::vector<std::string> heard;
    {
        QevDataPathCntx first = OpenHandle(1, &heard);
        QevDataPathCntx second = OpenHandle(2, &heard);
        EXPECT_EQ(first.params, second.params);
        EXPECT_EQ(first.params->algo_name(), "general");  // nothing stored yet
        first.params->set_algo_name("private");
        first.params->set_nr_level(60, true);
        first.params->set_nr_level(60, false);
        EXPECT_EQ(heard, (std::vector<std::string>{"1:algo_name", "2:algo_name", "1:nr_level", "2:nr_level"}));

        const DebugOutputCapture log;
        LoadContextToStore(first);
        EXPECT_TRUE(log.contains("[qev] flow error!! status is NOT start!! skip load context to reg\n"));
        EXPECT_FALSE(StoredFeature(user, "nr_level").has_value());
        first.status = QevDataPathCntx::kStatusStarted;
        LoadContextToStore(first);
        for (const auto& [feature, value] : BuildFeatureValues("private", 60)) {
            EXPECT_EQ(StoredFeature(user, feature.c_str()), value) << feature;
        }
        second.status = QevDataPathCntx::kStatusStarted;
        second.params->set_algo_name("bogus");
        LoadContextToStore(second);
        EXPECT_TRUE(log.contains("[qev] error algo name:bogus\n"));
        EXPECT_EQ(StoredFeature(user, "bf_enable"), 1u);

        {
            const QevDataPathCntx closed = std::move(first);
        }
        heard.clear();
        second.params->set_nr_level(60, true);
        EXPECT_EQ(heard, std::vector<std::string>{"2:nr_level"});
    }
    // Every handle has gone: the next one reads the endpoint's stores afresh.
    const std::shared_ptr<QevAlgoParamCntx> fresh = ParamContextCache::Lookup(kMicId);
    EXPECT_EQ(fresh->algo_name(), "private");
    EXPECT_EQ(fresh->nr_level(), 60u);
}

TEST(QevAlgoParamCntx, NoSubscriberRunsOnceItsSubscriptionHasEnded)
{
    const auto context = std::make_shared<QevAlgoParamCntx>(nullptr);
    std::atomic<bool> stop{false};
    std::atomic<int> late{0};
    std::thread changer([&] {
        while (!stop) {
            context->set_nr_level(1, true);
        }
    });
    for (int i = 0; i < 50; ++i) {
        std::atomic<bool> called{false};
        std::atomic<bool> ended{false};
        const auto subscriber = [&](const std::string&, void*) {
            called = true;
            // Still running once the subscription has ended would be too late.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            late += ended ? 1 : 0;
            return true;
        };
        ParamSubscription subscription(context, subscriber, nullptr);
        while (!called) {
            std::this_thread::yield();
        }
        subscription.reset();
        ended = true;
    }
    stop = true;
    changer.join();
    EXPECT_EQ(late.load(), 0);
}

}  // namespace
}  // namespace qev::datapath::test
