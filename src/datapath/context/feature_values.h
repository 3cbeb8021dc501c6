#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace qev::datapath {

// Feature name to the value stored for the APO.
using FeatureValues = std::map<std::string, uint32_t>;

// The feature values that select `algorithm` at `nr_level`: the capture or render feature set
// with the algorithm's enable feature at 1, "nr_level" and "aec_enable" following the level;
// "UL_BYPASS" and "DL_BYPASS" turn every capture or render feature off. Empty for a name outside
// the algorithm tables.
FeatureValues BuildFeatureValues(std::string_view algorithm, uint32_t nr_level);

}  // namespace qev::datapath
