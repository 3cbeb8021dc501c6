#include "datapath/catalogue.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

const std::vector<std::string> kAlgorithmOrder{
    "dmvp", "euphonic_mic", "general", "listen", "listening_normalization",
    "nb_as_speakerphone", "private", "shotgun_bf", "vpnr", "whisper",
};

const wchar_t kSetA[] = L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},";
const wchar_t kSetB[] = L"{f673a129-2683-4be8-b889-3a40071f9d93},";

TEST(CatalogueAlgorithms, TenNamesInTableOrder)
{
    EXPECT_EQ(Catalogue::algorithm_names(), kAlgorithmOrder);
    ASSERT_EQ(Catalogue::algorithms().size(), 10u);
}

TEST(CatalogueAlgorithms, IndexAndNameLookupsAreInverse)
{
    for (size_t i = 0; i < kAlgorithmOrder.size(); ++i) {
        EXPECT_EQ(Catalogue::algorithm_index(kAlgorithmOrder[i]), i);
        const std::string* name = Catalogue::algorithm_name_at(i);
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(*name, kAlgorithmOrder[i]);
    }
    EXPECT_EQ(Catalogue::algorithm_name_at(10), nullptr);
    EXPECT_FALSE(Catalogue::algorithm_index("General").has_value());
    EXPECT_FALSE(Catalogue::algorithm_index("UL_BYPASS").has_value());
    EXPECT_FALSE(Catalogue::algorithm_index("").has_value());
}

TEST(CatalogueAlgorithms, LibraryFileNames)
{
    const std::vector<std::string> expected{
        "", "", "ALGA01.dll", "ALGA05.dll", "ALGA04.dll", "", "ALGA03.dll", "ALGA06.dll", "", "ALGA02.dll",
    };
    for (size_t i = 0; i < kAlgorithmOrder.size(); ++i) {
        const std::string* library = Catalogue::find_algorithm_library(kAlgorithmOrder[i]);
        ASSERT_NE(library, nullptr) << kAlgorithmOrder[i];
        EXPECT_EQ(*library, expected[i]) << kAlgorithmOrder[i];
    }
    EXPECT_EQ(Catalogue::find_algorithm_library("missing"), nullptr);
}

TEST(CatalogueParams, AccessModes)
{
    const std::vector<std::pair<std::string, ParamAccess>> expected{
        {"algo_name", ParamAccess::kReadWrite},
        {"nr_level", ParamAccess::kReadWrite},
        {"nr_level_min", ParamAccess::kReadOnly},
        {"nr_level_max", ParamAccess::kReadOnly},
        {"shotgun_bf_direction", ParamAccess::kReadWrite},
        {"shotgun_bf_degree", ParamAccess::kReadWrite},
        {"shotgun_bf_flip_mode", ParamAccess::kReadWrite},
        {"vpnr_enrolled_status", ParamAccess::kReadWrite},
        {"bypass", ParamAccess::kReadWrite},
        {"core_select", ParamAccess::kReadOnly},
        {"bf_vad", ParamAccess::kReadOnly},
        {"shotgun_bf_whisper_enable", ParamAccess::kReadWrite},
        {"ltnr_enable", ParamAccess::kReadWrite},
        {"bf_whisper_enable", ParamAccess::kReadWrite},
        {"bf_degree", ParamAccess::kReadWrite},
    };
    EXPECT_EQ(Catalogue::param_access().size(), expected.size());
    for (const auto& [name, access] : expected) {
        EXPECT_EQ(Catalogue::find_param_access(name), access) << name;
    }
    EXPECT_FALSE(Catalogue::find_param_access("NR_LEVEL").has_value());
    EXPECT_FALSE(Catalogue::find_param_access("nr_level_voip").has_value());
}

TEST(CatalogueParams, ReadableAndWritable)
{
    EXPECT_TRUE(is_readable(*Catalogue::find_param_access("nr_level_min")));
    EXPECT_FALSE(is_writable(*Catalogue::find_param_access("nr_level_min")));
    EXPECT_TRUE(is_readable(*Catalogue::find_param_access("nr_level_max")));
    EXPECT_FALSE(is_writable(*Catalogue::find_param_access("nr_level_max")));
    EXPECT_TRUE(is_writable(*Catalogue::find_serialized_param_access("save_vpnr_bias_file")));
    EXPECT_FALSE(is_readable(*Catalogue::find_serialized_param_access("save_vpnr_bias_file")));
    EXPECT_TRUE(is_writable(*Catalogue::find_serialized_param_access("delete_vpnr_bias_file")));
    EXPECT_FALSE(is_readable(*Catalogue::find_serialized_param_access("delete_vpnr_bias_file")));
    EXPECT_TRUE(is_readable(*Catalogue::find_param_access("bypass")));
    EXPECT_TRUE(is_writable(*Catalogue::find_param_access("bypass")));
}

TEST(CatalogueParams, FeatureMapCoversEveryParameter)
{
    const std::vector<std::pair<std::string, std::string>> expected{
        {"algo_name", ""},
        {"nr_level", "nr_level"},
        {"nr_level_min", ""},
        {"nr_level_max", ""},
        {"shotgun_bf_direction", "3mics_bf_direction_select"},
        {"shotgun_bf_degree", "3mics_bf_degree"},
        {"shotgun_bf_flip_mode", "3mics_bf_flip_mode"},
        {"vpnr_enrolled_status", "vpnr_enrolled_status"},
        {"bypass", ""},
        {"core_select", "core_select"},
        {"bf_vad", "bf_vad"},
        {"shotgun_bf_whisper_enable", "3mics_bf_additional_feature_select"},
        {"ltnr_enable", "ltnr_enable"},
        {"bf_whisper_enable", "bf_additional_feature_select"},
        {"bf_degree", "bf_degree"},
    };
    EXPECT_EQ(Catalogue::param_features().size(), expected.size());
    for (const auto& [param, feature] : expected) {
        const std::string* mapped = Catalogue::find_param_feature(param);
        ASSERT_NE(mapped, nullptr) << param;
        EXPECT_EQ(*mapped, feature) << param;
        if (!feature.empty()) {
            EXPECT_NE(Catalogue::find_feature(feature), nullptr) << feature;
        }
    }
}

TEST(CatalogueParams, SerializedTables)
{
    EXPECT_EQ(Catalogue::serialized_param_access().size(), 4u);
    EXPECT_EQ(Catalogue::find_serialized_param_access("vpnr_bias_file_path"), ParamAccess::kReadWrite);
    EXPECT_EQ(Catalogue::find_serialized_param_access("win_reg"), ParamAccess::kReadWrite);
    EXPECT_EQ(Catalogue::find_serialized_param_access("save_vpnr_bias_file"), ParamAccess::kWriteOnly);
    EXPECT_FALSE(Catalogue::find_serialized_param_access("nr_level").has_value());
    ASSERT_NE(Catalogue::find_serialized_param_feature("vpnr_bias_file_path"), nullptr);
    EXPECT_EQ(*Catalogue::find_serialized_param_feature("vpnr_bias_file_path"), "vpnr_bias_file_path");
    EXPECT_EQ(*Catalogue::find_serialized_param_feature("win_reg"), "");
    EXPECT_EQ(*Catalogue::find_serialized_param_feature("save_vpnr_bias_file"), "");
    EXPECT_EQ(*Catalogue::find_serialized_param_feature("delete_vpnr_bias_file"), "");
    EXPECT_EQ(kVpnrBiasFilePathPkey, std::wstring(kSetB) + L"39");
}

void expect_row(const std::string& name, const std::wstring& pkey, int32_t first, int32_t min, int32_t max,
                int32_t store)
{
    const FeatureKey* key = Catalogue::find_feature(name);
    ASSERT_NE(key, nullptr) << name;
    EXPECT_EQ(key->pkey, pkey) << name;
    EXPECT_EQ(key->first, first) << name;
    EXPECT_EQ(key->min, min) << name;
    EXPECT_EQ(key->max, max) << name;
    EXPECT_EQ(key->store, store) << name;
}

TEST(CatalogueFeatures, TwentyFourRows)
{
    EXPECT_EQ(Catalogue::features().size(), 24u);
    EXPECT_EQ(Catalogue::find_feature("vpnr_bias_file_path"), nullptr);
    EXPECT_EQ(Catalogue::find_feature("Nr_Level"), nullptr);
}

TEST(CatalogueFeatures, ExactRows)
{
    const std::wstring a(kSetA);
    const std::wstring b(kSetB);
    expect_row("nr_level", a + L"1", 100, 0, 100, kFeatureStoreUser);
    expect_row("aec_enable", a + L"2", 1, 0, 1, kFeatureStoreUser);
    expect_row("3mics_bf_direction_select", a + L"3", 0, 0, 0, kFeatureStoreUser);
    expect_row("3mics_bf_degree", a + L"4", 50, 20, 80, kFeatureStoreUser);
    expect_row("3mics_bf_flip_mode", a + L"5", 0, 0, 2, kFeatureStoreUser);
    expect_row("bf_degree", a + L"7", 50, 20, 80, kFeatureStoreUser);
    expect_row("bf_enable", a + L"100", 0, 0, 1, kFeatureStoreUser);
    expect_row("bf_additional_feature_select", a + L"101", 0, 0, 0, kFeatureStoreUser);
    expect_row("ff_enable", a + L"200", 0, 0, 1, kFeatureStoreUser);
    expect_row("3mics_bf_enable", a + L"300", 0, 0, 1, kFeatureStoreUser);
    expect_row("3mics_bf_additional_feature_select", a + L"301", 0, 0, 0, kFeatureStoreUser);
    expect_row("vpnr_enable", a + L"400", 0, 0, 1, kFeatureStoreUser);
    expect_row("dmvp_enable", a + L"500", 0, 0, 1, kFeatureStoreUser);
    expect_row("nb_as_speakerphone_enable", a + L"600", 0, 0, 1, kFeatureStoreUser);
    expect_row("euphonic_mic_enable", a + L"700", 0, 0, 1, kFeatureStoreUser);
    expect_row("nr_level_voip", b + L"17", 100, 0, 100, kFeatureStoreUser);
    expect_row("nr_level_non_voip", b + L"18", 100, 0, 100, kFeatureStoreUser);
    expect_row("vpnr_enrolled_status", b + L"40", 0, 0, 1, kFeatureStoreUser);
    expect_row("ltnr_enable", a + L"9991", 0, 0, 1, kFeatureStoreDefault);
    expect_row("bf_vad", b + L"38", 0, 0, 1, kFeatureStoreDefault);
    expect_row("stream_filter", b + L"16", 0, 0, 1, kFeatureStoreDefault);
    expect_row("core_select", b + L"7", 0, 0, 1, kFeatureStoreDefault);
    expect_row("dl_filter", b + L"5", 0, 0, 1, kFeatureStoreVolatile);
    expect_row("ul_filter", b + L"15", 0, 0, 1, kFeatureStoreVolatile);
}

TEST(CatalogueFeatures, PropertyKeysAreDistinct)
{
    std::set<std::wstring> keys;
    for (const auto& entry : Catalogue::features()) {
        EXPECT_TRUE(keys.insert(entry.second.pkey).second) << entry.first;
    }
    EXPECT_EQ(keys.count(std::wstring(kSetA) + L"6"), 0u);
}

TEST(CatalogueFeatures, RangesOfSettableParameters)
{
    EXPECT_EQ(Catalogue::find_feature("bf_degree")->min, 20);
    EXPECT_EQ(Catalogue::find_feature("bf_degree")->max, 80);
    EXPECT_TRUE(Catalogue::find_feature("3mics_bf_flip_mode")->has_range());
    EXPECT_FALSE(Catalogue::find_feature("3mics_bf_direction_select")->has_range());
    EXPECT_FALSE(Catalogue::find_feature("bf_additional_feature_select")->has_range());
}

TEST(CatalogueEnableFeatures, CaptureAndRenderMaps)
{
    const std::vector<std::pair<std::string, std::string>> capture{
        {"private", "bf_enable"},         {"whisper", "ff_enable"},
        {"shotgun_bf", "3mics_bf_enable"}, {"vpnr", "vpnr_enable"},
        {"dmvp", "dmvp_enable"},          {"nb_as_speakerphone", "nb_as_speakerphone_enable"},
        {"euphonic_mic", "euphonic_mic_enable"},
    };
    EXPECT_EQ(Catalogue::capture_algorithm_features().size(), 7u);
    EXPECT_EQ(Catalogue::capture_feature_algorithms().size(), 7u);
    for (const auto& [algorithm, feature] : capture) {
        ASSERT_NE(Catalogue::find_capture_enable_feature(algorithm), nullptr) << algorithm;
        EXPECT_EQ(*Catalogue::find_capture_enable_feature(algorithm), feature);
        ASSERT_NE(Catalogue::find_capture_algorithm(feature), nullptr) << feature;
        EXPECT_EQ(*Catalogue::find_capture_algorithm(feature), algorithm);
    }
    EXPECT_EQ(Catalogue::render_algorithm_features().size(), 1u);
    EXPECT_EQ(Catalogue::render_feature_algorithms().size(), 1u);
    EXPECT_EQ(*Catalogue::find_render_enable_feature("listening_normalization"), "ff_enable");
    EXPECT_EQ(*Catalogue::find_render_algorithm("ff_enable"), "listening_normalization");
    EXPECT_EQ(Catalogue::find_capture_enable_feature("general"), nullptr);
    EXPECT_EQ(Catalogue::find_render_enable_feature("listen"), nullptr);
    EXPECT_EQ(Catalogue::find_render_enable_feature("whisper"), nullptr);
    EXPECT_EQ(Catalogue::find_capture_algorithm("aec_enable"), nullptr);
}

TEST(CatalogueWhisperFlags, TwoParameters)
{
    EXPECT_EQ(Catalogue::whisper_flags().size(), 2u);
    EXPECT_EQ(Catalogue::find_whisper_flag("shotgun_bf_whisper_enable"), 1u);
    EXPECT_EQ(Catalogue::find_whisper_flag("bf_whisper_enable"), 1u);
    EXPECT_FALSE(Catalogue::find_whisper_flag("bf_additional_feature_select").has_value());
}

bool listed(const std::wstring& hardware_id)
{
    for (const std::wstring& pattern : Catalogue::supported_hardware_id_patterns()) {
        const std::wregex expression(pattern, std::regex::ECMAScript | std::regex::icase);
        if (std::regex_search(hardware_id, expression)) {
            return true;
        }
    }
    return false;
}

TEST(CatalogueHardware, ThirteenPatternsThatCompile)
{
    const auto& patterns = Catalogue::supported_hardware_id_patterns();
    ASSERT_EQ(patterns.size(), 13u);
    EXPECT_EQ(patterns.front(), L"INTELAUDIO\\\\CTLR_DEV_[0-9a-f]{4}&LINKTYPE_02");
    EXPECT_EQ(patterns.back(), L"(HDAUDIO|INTELAUDIO)\\\\FUNC_01&VEN_14F1&DEV_[0-9a-f]{4}");
    for (const std::wstring& pattern : patterns) {
        EXPECT_NO_THROW(std::wregex(pattern, std::regex::ECMAScript | std::regex::icase));
    }
}

TEST(CatalogueHardware, PatternsMatchListedIdsOnly)
{
    EXPECT_TRUE(listed(L"HDAUDIO\\FUNC_01&VEN_10EC&DEV_0295&SUBSYS_17AA3802"));
    EXPECT_TRUE(listed(L"intelaudio\\func_01&ven_14f1&dev_1f86"));
    EXPECT_TRUE(listed(L"SOUNDWIRE\\SDCA_08&MAN_025D&FUNC_0722&TYPE_03"));
    EXPECT_TRUE(listed(L"ACP\\VEN_1022&DEV_15E2"));
    EXPECT_TRUE(listed(L"INTELAUDIO\\CTLR_DEV_A0C8&LINKTYPE_02&DEVTYPE_00"));
    EXPECT_FALSE(listed(L"SOUNDWIRE\\SDCA_08&MAN_01FA&FUNC_4243&TYPE_03"));
    EXPECT_FALSE(listed(L"HDAUDIO\\FUNC_01&VEN_8086&DEV_2812"));
    EXPECT_FALSE(listed(L"USB\\VID_046D&PID_0A44"));
}

TEST(CatalogueConstants, EffectClassIdsAndKeys)
{
    const auto& ids = Catalogue::apo_effect_class_ids();
    ASSERT_EQ(ids.size(), 8u);
    EXPECT_EQ(ids[0], L"{4D99D9D2-C5DE-4A46-8E6E-6D7307FE73FF}");
    EXPECT_EQ(ids[1], L"{F005D60E-B43A-46CF-BAD3-6ACB1D314511}");
    EXPECT_EQ(ids[7], L"{FAE69183-9AB3-4430-A681-DAE714E7B74A}");
    EXPECT_EQ(std::set<std::wstring>(ids.begin(), ids.end()).size(), 8u);
    const auto& defaults = Catalogue::driver_default_pkeys();
    ASSERT_EQ(defaults.size(), 8u);
    EXPECT_EQ(defaults.front(), std::wstring(kSetA) + L"9980");
    EXPECT_EQ(defaults.back(), std::wstring(kSetA) + L"9987");
    EXPECT_EQ(kListedHardwarePkey, std::wstring(kSetA) + L"6666");
    EXPECT_EQ(kToolCaptureActivePkey, std::wstring(kSetB) + L"59");
}

}  // namespace
