#include "datapath/catalogue/catalogue.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

namespace qev::datapath {

namespace {

const std::vector<std::string> kAlgorithmOrder{
    "dmvp",    "euphonic_mic", "general", "listen",  "listening_normalization", "nb_as_speakerphone",
    "private", "shotgun_bf",   "vpnr",    "whisper",
};

const wchar_t kSetA[] = L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},";
const wchar_t kSetB[] = L"{f673a129-2683-4be8-b889-3a40071f9d93},";

TEST(Catalogue, TableSizes)
{
    EXPECT_EQ(Catalogue::algorithms().size(), 10u);
    EXPECT_EQ(Catalogue::param_access().size(), 15u);
    EXPECT_EQ(Catalogue::param_features().size(), 15u);
    EXPECT_EQ(Catalogue::serialized_param_access().size(), 4u);
    EXPECT_EQ(Catalogue::features().size(), 24u);
    EXPECT_EQ(Catalogue::capture_algorithm_features().size(), 7u);
    EXPECT_EQ(Catalogue::render_algorithm_features().size(), 1u);
    EXPECT_EQ(Catalogue::whisper_flags().size(), 2u);
    EXPECT_EQ(Catalogue::supported_hardware_id_patterns().size(), 13u);
    EXPECT_EQ(Catalogue::apo_effect_class_ids().size(), 8u);
}

TEST(CatalogueAlgorithms, OrderAndInverseLookups)
{
    EXPECT_EQ(Catalogue::algorithm_names(), kAlgorithmOrder);
    for (size_t i = 0; i < kAlgorithmOrder.size(); ++i) {
        EXPECT_EQ(Catalogue::algorithm_index(kAlgorithmOrder[i]), i);
        const std::string* name = Catalogue::algorithm_name_at(i);
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(*name, kAlgorithmOrder[i]);
    }
    EXPECT_EQ(Catalogue::algorithm_name_at(10), nullptr);
    for (const char* missing : {"General", "UL_BYPASS", ""}) {
        EXPECT_FALSE(Catalogue::algorithm_index(missing).has_value()) << missing;
    }
    EXPECT_EQ(*Catalogue::find_algorithm_library("general"), "ALGA01.dll");
    EXPECT_EQ(*Catalogue::find_algorithm_library("dmvp"), "");
    EXPECT_EQ(Catalogue::find_algorithm_library("missing"), nullptr);
}

TEST(CatalogueParams, AccessAndFeatureLookups)
{
    EXPECT_EQ(Catalogue::find_param_access("nr_level"), ParamAccess::kReadWrite);
    EXPECT_EQ(Catalogue::find_param_access("nr_level_min"), ParamAccess::kReadOnly);
    EXPECT_EQ(Catalogue::find_param_access("core_select"), ParamAccess::kReadOnly);
    EXPECT_EQ(Catalogue::find_serialized_param_access("save_vpnr_bias_file"), ParamAccess::kWriteOnly);
    EXPECT_FALSE(Catalogue::find_param_access("NR_LEVEL").has_value());
    EXPECT_FALSE(Catalogue::find_param_access("nr_level_voip").has_value());
    EXPECT_FALSE(Catalogue::find_serialized_param_access("nr_level").has_value());
    EXPECT_FALSE(is_writable(ParamAccess::kReadOnly));
    EXPECT_FALSE(is_readable(ParamAccess::kWriteOnly));
    EXPECT_TRUE(is_readable(ParamAccess::kReadWrite) && is_writable(ParamAccess::kReadWrite));

    EXPECT_EQ(*Catalogue::find_param_feature("shotgun_bf_whisper_enable"), "3mics_bf_additional_feature_select");
    EXPECT_EQ(*Catalogue::find_param_feature("algo_name"), "");
    EXPECT_EQ(*Catalogue::find_serialized_param_feature("vpnr_bias_file_path"), "vpnr_bias_file_path");
    EXPECT_EQ(kVpnrBiasFilePathPkey, std::wstring(kSetB) + L"39");
    // Every mapped feature must have a row, or a get/set of that parameter fails at run time.
    for (const auto& [param, feature] : Catalogue::param_features()) {
        EXPECT_TRUE(feature.empty() || Catalogue::find_feature(feature) != nullptr) << param;
        EXPECT_TRUE(Catalogue::find_param_access(param).has_value()) << param;
    }
}

TEST(CatalogueFeatures, SpotRowsAndDistinctKeys)
{
    struct Row {
        const char* name;
        std::wstring pkey;
        int32_t first, min, max, store;
    };
    const std::wstring a(kSetA);
    const std::wstring b(kSetB);
    const Row rows[] = {
        {"nr_level", a + L"1", 100, 0, 100, kFeatureStoreUser},
        {"3mics_bf_degree", a + L"4", 50, 20, 80, kFeatureStoreUser},
        {"vpnr_enrolled_status", b + L"40", 0, 0, 1, kFeatureStoreUser},
        {"ltnr_enable", a + L"9991", 0, 0, 1, kFeatureStoreDefault},
        {"dl_filter", b + L"5", 0, 0, 1, kFeatureStoreVolatile},
    };
    for (const Row& row : rows) {
        const FeatureKey* key = Catalogue::find_feature(row.name);
        ASSERT_NE(key, nullptr) << row.name;
        EXPECT_EQ(key->pkey, row.pkey) << row.name;
        EXPECT_EQ(key->first, row.first) << row.name;
        EXPECT_EQ(key->min, row.min) << row.name;
        EXPECT_EQ(key->max, row.max) << row.name;
        EXPECT_EQ(key->store, row.store) << row.name;
    }
    EXPECT_EQ(Catalogue::find_feature("vpnr_bias_file_path"), nullptr);
    EXPECT_EQ(Catalogue::find_feature("Nr_Level"), nullptr);
    EXPECT_TRUE(Catalogue::find_feature("3mics_bf_flip_mode")->has_range());
    EXPECT_FALSE(Catalogue::find_feature("3mics_bf_direction_select")->has_range());

    std::set<std::wstring> keys;
    for (const auto& entry : Catalogue::features()) {
        EXPECT_TRUE(keys.insert(entry.second.pkey).second) << entry.first;
    }
}

TEST(CatalogueEnableFeatures, MapsAreInverse)
{
    for (const auto& [algorithm, feature] : Catalogue::capture_algorithm_features()) {
        ASSERT_NE(Catalogue::find_capture_algorithm(feature), nullptr) << feature;
        EXPECT_EQ(*Catalogue::find_capture_algorithm(feature), algorithm);
        EXPECT_NE(Catalogue::find_feature(feature), nullptr) << feature;
    }
    EXPECT_EQ(Catalogue::capture_feature_algorithms().size(), 7u);
    EXPECT_EQ(*Catalogue::find_capture_enable_feature("private"), "bf_enable");
    EXPECT_EQ(*Catalogue::find_render_enable_feature("listening_normalization"), "ff_enable");
    EXPECT_EQ(*Catalogue::find_render_algorithm("ff_enable"), "listening_normalization");
    EXPECT_EQ(Catalogue::find_capture_enable_feature("general"), nullptr);
    EXPECT_EQ(Catalogue::find_render_enable_feature("whisper"), nullptr);
    EXPECT_EQ(Catalogue::find_capture_algorithm("aec_enable"), nullptr);
    EXPECT_EQ(Catalogue::find_whisper_flag("bf_whisper_enable"), 1u);
    EXPECT_FALSE(Catalogue::find_whisper_flag("bf_additional_feature_select").has_value());
}

TEST(CatalogueHardware, PatternsCompileAndMatchListedIdsOnly)
{
    std::vector<std::wregex> expressions;
    for (const std::wstring& pattern : Catalogue::supported_hardware_id_patterns()) {
        ASSERT_NO_THROW(expressions.emplace_back(pattern, std::regex::ECMAScript | std::regex::icase));
    }
    const auto listed = [&](const std::wstring& id) {
        for (const auto& expression : expressions) {
            if (std::regex_search(id, expression))
                return true;
        }
        return false;
    };
    EXPECT_TRUE(listed(L"HDAUDIO\\FUNC_01&VEN_10EC&DEV_0295&SUBSYS_17AA3802"));
    EXPECT_TRUE(listed(L"intelaudio\\func_01&ven_14f1&dev_1f86"));
    EXPECT_TRUE(listed(L"SOUNDWIRE\\SDCA_08&MAN_025D&FUNC_0722&TYPE_03"));
    EXPECT_TRUE(listed(L"INTELAUDIO\\CTLR_DEV_A0C8&LINKTYPE_02&DEVTYPE_00"));
    EXPECT_FALSE(listed(L"SOUNDWIRE\\SDCA_08&MAN_01FA&FUNC_4243&TYPE_03"));
    EXPECT_FALSE(listed(L"HDAUDIO\\FUNC_01&VEN_8086&DEV_2812"));
    EXPECT_FALSE(listed(L"USB\\VID_046D&PID_0A44"));
}

TEST(CatalogueConstants, EffectClassIdsAndKeys)
{
    const auto& ids = Catalogue::apo_effect_class_ids();
    ASSERT_FALSE(ids.empty());
    EXPECT_EQ(ids[0], kApoContextClsid);
    EXPECT_EQ(std::set<std::wstring>(ids.begin(), ids.end()).size(), ids.size());
    const auto& defaults = Catalogue::driver_default_pkeys();
    ASSERT_EQ(defaults.size(), 8u);
    EXPECT_EQ(defaults.front(), std::wstring(kSetA) + L"9980");
    EXPECT_EQ(defaults.back(), std::wstring(kSetA) + L"9987");
}

}  // namespace

}  // namespace qev::datapath
