#pragma once

#include <cstdint>
#include <string>

namespace qev::datapath {

// Where the APO keeps one feature: its property key and the range a client may set.
struct FeatureKey {
    std::wstring pkey;  // "{GUID},pid"
    int32_t first = 0;  // kept with the row; nothing reads it
    int32_t min = 0;
    int32_t max = 0;    // min == max: no range check, the value comes from a per-feature rule
    int32_t store = 0;  // FeatureStore

    bool has_range() const { return min != max; }
};

// The endpoint property store that holds a feature.
enum FeatureStore : int32_t {
    kFeatureStoreDefault = 0,
    kFeatureStoreUser = 1,
    kFeatureStoreVolatile = 2,
};

}  // namespace qev::datapath
