#pragma once

#include "datapath/catalogue/feature_key.h"
#include "datapath/context/qev_prop_intf.h"

namespace qev::datapath {

// The back-end of the APO generation that reads its settings straight from the endpoint's FX
// properties key: one registry value per feature, named by the feature's property key text.
// Registry failures are reported by the effect-settings wrappers ("exp: " lines) and give false.
class QevRegWrapper_v2 : public QevPropIntf {
public:
    // Derives the FX key path from the endpoint's id and direction; empty for an endpoint of both
    // directions or one that cannot be asked.
    explicit QevRegWrapper_v2(IMMDevice* device);

    const std::wstring& key_path() const { return key_path_; }

    bool getProperties(std::string_view feature, std::wstring* value) const override;
    bool getProperties(std::string_view feature, uint32_t* value) const override;
    bool getProperties_multiSZ(std::string_view feature, std::vector<std::wstring>* values) const override;
    bool setProperties(std::string_view feature, const std::wstring& value) const override;
    bool setProperties(std::string_view feature, uint32_t value) const override;

private:
    static std::wstring fx_key_path_of(IMMDevice* device);
    // The feature's value name when the value exists under the key.
    const std::wstring* existing_value(const FeatureKey* row) const;

    const std::wstring key_path_;
};

}  // namespace qev::datapath
