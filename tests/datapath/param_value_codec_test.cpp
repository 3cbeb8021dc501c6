#include "datapath/param_value_codec.h"

#include "datapath/catalogue.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>

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

TEST(ParamValueCodec, NrLevelRangeAndTruncation)
{
    EXPECT_EQ(encode("nr_level", 50.9f), 50u);
    EXPECT_EQ(encode("nr_level", 0.0f), 0u);
    EXPECT_EQ(encode("nr_level", 100.0f), 100u);
    EXPECT_EQ(encode("nr_level", -0.5f), 0u);
    EXPECT_FALSE(encode("nr_level", 101.0f).has_value());
    EXPECT_FALSE(encode("nr_level", -1.0f).has_value());
}

TEST(ParamValueCodec, DegreesInStepsOfTen)
{
    for (const char* param : {"bf_degree", "shotgun_bf_degree"}) {
        EXPECT_EQ(encode(param, 40.0f), 40u) << param;
        EXPECT_EQ(encode(param, 20.0f), 20u) << param;
        EXPECT_EQ(encode(param, 80.0f), 80u) << param;
        EXPECT_FALSE(encode(param, 45.0f).has_value()) << param;
        EXPECT_FALSE(encode(param, 90.0f).has_value()) << param;
        EXPECT_FALSE(encode(param, 10.0f).has_value()) << param;
    }
}

TEST(ParamValueCodec, FlipModeZeroToTwo)
{
    EXPECT_EQ(encode("shotgun_bf_flip_mode", 2.0f), 2u);
    EXPECT_FALSE(encode("shotgun_bf_flip_mode", 3.0f).has_value());
}

TEST(ParamValueCodec, NonFiniteAndHugeValuesAreRejected)
{
    EXPECT_FALSE(encode("nr_level", std::numeric_limits<float>::quiet_NaN()).has_value());
    EXPECT_FALSE(encode("nr_level", std::numeric_limits<float>::infinity()).has_value());
    EXPECT_FALSE(encode("nr_level", 1e20f).has_value());
    EXPECT_FALSE(encode("shotgun_bf_direction", std::numeric_limits<float>::quiet_NaN()).has_value());
    EXPECT_FALSE(ParamValueCodec::truncate(-3e9f).has_value());
    EXPECT_EQ(ParamValueCodec::truncate(-2.7f), -2);
}

TEST(ParamValueCodec, DirectionBitsSpreadToBytes)
{
    EXPECT_EQ(encode("shotgun_bf_direction", 5.0f), 0x00010001u);
    EXPECT_EQ(encode("shotgun_bf_direction", 1.0f), 0x00000001u);
    EXPECT_EQ(encode("shotgun_bf_direction", 2.0f), 0x00000100u);
    EXPECT_EQ(encode("shotgun_bf_direction", 15.0f), 0x01010101u);
    EXPECT_EQ(encode("shotgun_bf_direction", 8.9f), 0x01000000u);
    EXPECT_FALSE(encode("shotgun_bf_direction", 0.0f).has_value());
    EXPECT_FALSE(encode("shotgun_bf_direction", 16.0f).has_value());
    EXPECT_FALSE(encode("shotgun_bf_direction", -1.0f).has_value());
}

TEST(ParamValueCodec, DirectionRoundTrips)
{
    for (uint32_t v = 1; v <= 15; ++v) {
        const std::optional<uint32_t> stored = encode("shotgun_bf_direction", static_cast<float>(v));
        ASSERT_TRUE(stored.has_value()) << v;
        EXPECT_EQ(decode("shotgun_bf_direction", *stored), static_cast<float>(v));
    }
}

TEST(ParamValueCodec, WhisperFlagsAcceptOnlyZeroAndOne)
{
    for (const char* param : {"bf_whisper_enable", "shotgun_bf_whisper_enable"}) {
        EXPECT_EQ(encode(param, 1.0f), 1u) << param;
        EXPECT_EQ(encode(param, 0.0f), 0u) << param;
        EXPECT_FALSE(encode(param, 0.5f).has_value()) << param;
        EXPECT_FALSE(encode(param, 2.0f).has_value()) << param;
        EXPECT_EQ(decode(param, 0xFFu), 1.0f) << param;
        EXPECT_EQ(decode(param, 2u), 0.0f) << param;
    }
}

TEST(ParamValueCodec, OtherRuleFeaturesStoreZero)
{
    const FeatureKey* key = Catalogue::find_feature("bf_additional_feature_select");
    EXPECT_EQ(ParamValueCodec::encode("some_param", "bf_additional_feature_select", *key, 7.0f), 0u);
}

TEST(ParamValueCodec, PlainFeaturesDecodeRaw)
{
    EXPECT_EQ(decode("bf_degree", 60u), 60.0f);
    EXPECT_EQ(decode("core_select", 1u), 1.0f);
}

}  // namespace
