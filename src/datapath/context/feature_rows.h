#pragma once

#include <string_view>

#include "datapath/catalogue/feature_key.h"

namespace qev::datapath {

// The rows the property back-ends read and write by feature name: the property key text and the
// store kind. A name without a row logs "invalid map<K, T> key" and gives null, which the
// back-ends report as a failed operation.
class FeatureRows {
public:
    // The numeric features of the catalogue.
    static const FeatureKey* Number(std::string_view feature);
    // The string features (StringFeatureKeyTable): "vpnr_bias_file_path", in the user store.
    static const FeatureKey* String(std::string_view feature);
};

}  // namespace qev::datapath
