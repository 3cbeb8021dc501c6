#include "datapath/manager/param_value_codec.h"

#include "datapath/catalogue/catalogue.h"

#include <cmath>

namespace qev::datapath {

namespace {

constexpr std::string_view kDirectionFeature = "3mics_bf_direction_select";

bool is_degree(std::string_view feature)
{
    return feature == "3mics_bf_degree" || feature == "bf_degree";
}

}  // namespace

std::optional<int32_t> ParamValueCodec::truncate(float value)
{
    // Out-of-range float to integer conversion is undefined; reject it before converting.
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    const double whole = std::trunc(static_cast<double>(value));
    if (whole < -2147483648.0 || whole > 2147483647.0) {
        return std::nullopt;
    }
    return static_cast<int32_t>(whole);
}

std::optional<uint32_t> ParamValueCodec::encode(std::string_view param, std::string_view feature, const FeatureKey& key,
                                                float value)
{
    return key.has_range() ? encode_ranged(feature, key, value) : encode_rule(param, feature, value);
}

std::optional<uint32_t> ParamValueCodec::encode_ranged(std::string_view feature, const FeatureKey& key, float value)
{
    const std::optional<int32_t> v = truncate(value);
    if (!v || *v > key.max || *v < key.min) {
        return std::nullopt;
    }
    if (is_degree(feature) && *v % 10 != 0) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(*v);
}

std::optional<uint32_t> ParamValueCodec::encode_rule(std::string_view param, std::string_view feature, float value)
{
    if (feature == kDirectionFeature) {
        return encode_direction(value);
    }
    if (const std::optional<uint32_t> flag = Catalogue::find_whisper_flag(param)) {
        if (value == 0.0f) {
            return 0u;
        }
        if (value == 1.0f) {
            return *flag;
        }
        return std::nullopt;
    }
    return 0u;
}

std::optional<uint32_t> ParamValueCodec::encode_direction(float value)
{
    // Truncated to an unsigned integer it must be 1 to 15; bit n moves to bit 8n.
    if (!std::isfinite(value) || value < 1.0f || value >= 16.0f) {
        return std::nullopt;
    }
    const uint32_t v = static_cast<uint32_t>(value);
    uint32_t stored = 0;
    for (uint32_t bit = 0; bit < 4; ++bit) {
        if ((v & (1u << bit)) != 0) {
            stored |= 1u << (8 * bit);
        }
    }
    return stored;
}

float ParamValueCodec::decode(std::string_view param, std::string_view feature, uint32_t stored)
{
    if (feature == kDirectionFeature) {
        uint32_t v = 0;
        for (uint32_t bit = 0; bit < 4; ++bit) {
            if ((stored & (1u << (8 * bit))) != 0) {
                v |= 1u << bit;
            }
        }
        return static_cast<float>(v);
    }
    if (Catalogue::find_whisper_flag(param)) {
        return static_cast<float>(stored & 1u);
    }
    return static_cast<float>(stored);
}

}  // namespace qev::datapath
