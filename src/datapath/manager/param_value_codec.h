#pragma once

#include "datapath/catalogue/feature_key.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace qev::datapath {

// Translates API parameter values (32-bit floats) to the values stored for the APO and back.
class ParamValueCodec {
public:
    // The stored value when `param`, mapped to `feature` with row `key`, is set to `value`; nothing
    // when the value is out of range or not allowed.
    static std::optional<uint32_t> encode(std::string_view param, std::string_view feature, const FeatureKey& key,
                                          float value);
    // The API value of a stored feature value.
    static float decode(std::string_view param, std::string_view feature, uint32_t stored);
    // The value truncated toward zero, when it is finite and fits a signed 32-bit integer.
    static std::optional<int32_t> truncate(float value);

private:
    static std::optional<uint32_t> encode_ranged(std::string_view feature, const FeatureKey& key, float value);
    static std::optional<uint32_t> encode_rule(std::string_view param, std::string_view feature, float value);
    static std::optional<uint32_t> encode_direction(float value);
};

}  // namespace qev::datapath
