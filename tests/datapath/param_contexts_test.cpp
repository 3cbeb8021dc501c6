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

// (How handles share an endpoint's context and hear its changes: tests/e2e/settings_path_e2e_test.)
TEST_F(ContextOnMachine, OnlyStartedHandlesWriteTheContextAndTheLastOneGoneLetsItBeReadAfresh)
{
    Load(Generation::kWindows11);
    const std::wstring user = std::wstring(kMicFx) + kApoStores + L"\\User";
    {
        QevDataPathCntx cntx;
        cntx.holder = std::make_unique<APORegControl>(Device(kMicId).Get());
        cntx.params = ParamContextCache::Lookup(kMicId);
        EXPECT_EQ(cntx.params->algo_name(), "general");  // nothing stored yet
        cntx.params->set_algo_name("private");
        cntx.params->set_nr_level(60, true);
        const DebugOutputCapture log;
        LoadContextToStore(cntx);
        EXPECT_TRUE(log.contains("[qev] flow error!! status is NOT start!! skip load context to reg\n"));
        EXPECT_FALSE(StoredFeature(user, "nr_level").has_value());
        cntx.status = QevDataPathCntx::kStatusStarted;
        LoadContextToStore(cntx);
        for (const auto& [feature, value] : BuildFeatureValues("private", 60)) {
            EXPECT_EQ(StoredFeature(user, feature.c_str()), value) << feature;
        }
        EXPECT_EQ(ParamContextCache::Lookup(kMicId), cntx.params) << "handles share the endpoint's context";
        cntx.params->set_algo_name("bogus");
        LoadContextToStore(cntx);
        EXPECT_TRUE(log.contains("[qev] error algo name:bogus\n"));
        EXPECT_EQ(StoredFeature(user, "bf_enable"), 1u);
    }
    const std::shared_ptr<QevAlgoParamCntx> fresh = ParamContextCache::Lookup(kMicId);
    EXPECT_EQ(fresh->algo_name(), "private") << "not the cached \"bogus\"";
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
