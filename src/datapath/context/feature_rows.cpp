#include "datapath/context/feature_rows.h"

#include <string>

#include "base/logging.h"
#include "datapath/catalogue/catalogue.h"

namespace qev::datapath {

namespace {

const FeatureKey* reported(const FeatureKey* row, std::string_view feature)
{
    if (row == nullptr) {
        base::log_printf("invalid map<K, T> key: %.*s\n", static_cast<int>(feature.size()), feature.data());
    }
    return row;
}

}  // namespace

const FeatureKey* FeatureRows::Number(std::string_view feature)
{
    return reported(Catalogue::find_feature(feature), feature);
}

const FeatureKey* FeatureRows::String(std::string_view feature)
{
    static const FeatureKeyTable rows{
        {std::string(kVpnrBiasFilePathFeature),
         FeatureKey{std::wstring(kVpnrBiasFilePathPkey), 0, 0, 0, kFeatureStoreUser}},
    };
    const auto found = rows.find(feature);
    return reported(found == rows.end() ? nullptr : &found->second, feature);
}

}  // namespace qev::datapath
