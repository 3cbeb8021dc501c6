// The catalogue's lookups and the consistency of its tables: every reference between them resolves,
// lookups are exact (case and suffix), and the hardware patterns match the listed codecs only.
// (Its values are checked where peers read them: the e2e tests read the registry and the replies.)
#include "datapath/catalogue/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace qev::datapath {
namespace {

TEST(Catalogue, LookupsAreExactAndInverse)
{
    const auto names = Catalogue::algorithm_names();
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(Catalogue::algorithm_index(names[i]), i);
        ASSERT_NE(Catalogue::algorithm_name_at(i), nullptr);
        EXPECT_EQ(*Catalogue::algorithm_name_at(i), names[i]);
        EXPECT_NE(Catalogue::find_algorithm_library(names[i]), nullptr) << names[i];
    }
    EXPECT_EQ(Catalogue::algorithm_name_at(names.size()), nullptr);
    for (const char* missing : {"General", "UL_BYPASS", ""}) {
        EXPECT_FALSE(Catalogue::algorithm_index(missing).has_value()) << missing;
        EXPECT_EQ(Catalogue::find_algorithm_library(missing), nullptr) << missing;
    }
    EXPECT_FALSE(Catalogue::find_param_access("NR_LEVEL").has_value());
    EXPECT_FALSE(Catalogue::find_param_access("nr_level_voip").has_value());
    EXPECT_FALSE(Catalogue::find_serialized_param_access("nr_level").has_value());
    EXPECT_EQ(Catalogue::find_feature("Nr_Level"), nullptr);
    EXPECT_EQ(Catalogue::find_feature("vpnr_bias_file_path"), nullptr) << "serialized, not a feature";
    EXPECT_FALSE(Catalogue::find_whisper_flag("bf_additional_feature_select").has_value());
    EXPECT_EQ(Catalogue::find_capture_algorithm("aec_enable"), nullptr);
    EXPECT_EQ(Catalogue::find_capture_enable_feature("general"), nullptr);
}

TEST(Catalogue, EveryReferenceBetweenTablesResolvesAndFeatureKeysAreDistinct)
{
    // A mapped feature without a row, or a parameter without access, fails a get/set at run time.
    for (const auto& [param, feature] : Catalogue::param_features()) {
        EXPECT_TRUE(feature.empty() || Catalogue::find_feature(feature) != nullptr) << param;
        EXPECT_TRUE(Catalogue::find_param_access(param).has_value()) << param;
    }
    for (const auto& [param, flag] : Catalogue::whisper_flags()) {
        EXPECT_TRUE(Catalogue::find_param_access(param).has_value()) << param;
    }
    const std::pair<const AlgorithmFeatureMap&, const AlgorithmFeatureMap&> directions[] = {
        {Catalogue::capture_algorithm_features(), Catalogue::capture_feature_algorithms()},
        {Catalogue::render_algorithm_features(), Catalogue::render_feature_algorithms()}};
    for (const auto& [byAlgorithm, byFeature] : directions) {
        EXPECT_EQ(byAlgorithm.size(), byFeature.size());
        for (const auto& [algorithm, feature] : byAlgorithm) {
            EXPECT_TRUE(Catalogue::algorithm_index(algorithm).has_value()) << algorithm;
            EXPECT_NE(Catalogue::find_feature(feature), nullptr) << feature;
            ASSERT_EQ(byFeature.count(feature), 1u) << feature;
            EXPECT_EQ(byFeature.at(feature), algorithm);
        }
    }
    std::set<std::wstring> keys;
    for (const auto& [name, key] : Catalogue::features()) {
        EXPECT_TRUE(keys.insert(key.pkey).second) << name;
    }
    const auto& ids = Catalogue::apo_effect_class_ids();
    ASSERT_FALSE(ids.empty());
    EXPECT_EQ(ids[0], kApoContextClsid);
    EXPECT_EQ(std::set<std::wstring>(ids.begin(), ids.end()).size(), ids.size());
}

TEST(Catalogue, HardwarePatternsCompileAndMatchTheListedCodecsOnly)
{
    std::vector<std::wregex> expressions;
    for (const std::wstring& pattern : Catalogue::supported_hardware_id_patterns()) {
        ASSERT_NO_THROW(expressions.emplace_back(pattern, std::regex::ECMAScript | std::regex::icase));
    }
    const std::pair<const wchar_t*, bool> ids[] = {
        {L"HDAUDIO\\FUNC_01&VEN_10EC&DEV_0295&SUBSYS_17AA3802", true},
        {L"intelaudio\\func_01&ven_14f1&dev_1f86", true},
        {L"SOUNDWIRE\\SDCA_08&MAN_025D&FUNC_0722&TYPE_03", true},
        {L"INTELAUDIO\\CTLR_DEV_A0C8&LINKTYPE_02&DEVTYPE_00", true},
        {L"SOUNDWIRE\\SDCA_08&MAN_01FA&FUNC_4243&TYPE_03", false},
        {L"HDAUDIO\\FUNC_01&VEN_8086&DEV_2812", false},
        {L"USB\\VID_046D&PID_0A44", false},
    };
    for (const auto& [id, listed] : ids) {
        const std::wstring text = id;
        EXPECT_EQ(std::any_of(expressions.begin(), expressions.end(),
                              [&](const std::wregex& expression) { return std::regex_search(text, expression); }),
                  listed)
            << std::string(text.begin(), text.end());
    }
}

}  // namespace
}  // namespace qev::datapath
