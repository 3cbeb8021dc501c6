#include "datapath/manager/param_value_codec.h"

#include "datapath/catalogue/catalogue.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>

namespace qev::datapath {

namespace {

// Encodes a value of an API parameter through its catalogue rows.
std::optional<uint32_t> encode(const std::string& param, float value)
{
    const std::string& feature = *Catalogue::find_param_feature(param);
    return ParamValueCodec::encode(param, feature, *Catalogue::find_feature(feature), value);
}

float decode(const std::string& param, uint32_t stored)
{
    return ParamValueCodec::decode(param, *Catalogue::find_param_feature(param), stored);
}

TEST(ParamValueCodec, EncodeRangesStepsAndBits)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        const char* param;
        float value;
        std::optional<uint32_t> expected;
    } rows[] = {
        {"nr_level", 50.9f, 50u},
        {"nr_level", 100.0f, 100u},
        {"nr_level", -0.5f, 0u},
        {"nr_level", 101.0f, std::nullopt},
        {"nr_level", -1.0f, std::nullopt},
        {"nr_level", nan, std::nullopt},
        {"nr_level", std::numeric_limits<float>::infinity(), std::nullopt},
        {"nr_level", 1e20f, std::nullopt},
        {"bf_degree", 20.0f, 20u},
        {"bf_degree", 80.0f, 80u},
        {"bf_degree", 45.0f, std::nullopt},
        {"bf_degree", 90.0f, std::nullopt},
        {"shotgun_bf_degree", 40.0f, 40u},
        {"shotgun_bf_degree", 10.0f, std::nullopt},
        {"shotgun_bf_flip_mode", 2.0f, 2u},
        {"shotgun_bf_flip_mode", 3.0f, std::nullopt},
        {"shotgun_bf_direction", 5.0f, 0x00010001u},
        {"shotgun_bf_direction", 2.0f, 0x00000100u},
        {"shotgun_bf_direction", 15.0f, 0x01010101u},
        {"shotgun_bf_direction", 8.9f, 0x01000000u},
        {"shotgun_bf_direction", 0.0f, std::nullopt},
        {"shotgun_bf_direction", 16.0f, std::nullopt},
        {"shotgun_bf_direction", -1.0f, std::nullopt},
        {"shotgun_bf_direction", nan, std::nullopt},
        {"bf_whisper_enable", 1.0f, 1u},
        {"shotgun_bf_whisper_enable", 0.0f, 0u},
        {"bf_whisper_enable", 0.5f, std::nullopt},
        {"shotgun_bf_whisper_enable", 2.0f, std::nullopt},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(encode(row.param, row.value), row.expected) << row.param << " " << row.value;
    }
    EXPECT_FALSE(ParamValueCodec::truncate(-3e9f).has_value());
    EXPECT_EQ(ParamValueCodec::truncate(-2.7f), -2);
    const FeatureKey* key = Catalogue::find_feature("bf_additional_feature_select");
    EXPECT_EQ(ParamValueCodec::encode("some_param", "bf_additional_feature_select", *key, 7.0f), 0u);
}

TEST(ParamValueCodec, Decode)
{
    for (uint32_t v = 1; v <= 15; ++v) {
        const std::optional<uint32_t> stored = encode("shotgun_bf_direction", static_cast<float>(v));
        ASSERT_TRUE(stored.has_value()) << v;
        EXPECT_EQ(decode("shotgun_bf_direction", *stored), static_cast<float>(v));
    }
    EXPECT_EQ(decode("bf_whisper_enable", 0xFFu), 1.0f);
    EXPECT_EQ(decode("shotgun_bf_whisper_enable", 2u), 0.0f);
    EXPECT_EQ(decode("bf_degree", 60u), 60.0f);
    EXPECT_EQ(decode("core_select", 1u), 1.0f);
}

}  // namespace

}  // namespace qev::datapath
