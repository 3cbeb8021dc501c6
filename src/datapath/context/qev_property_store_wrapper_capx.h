#pragma once

#include <propsys.h>

#include "datapath/catalogue/feature_key.h"
#include "datapath/context/qev_prop_intf.h"

namespace qev::datapath {

// The back-end of the Windows 11 APO generation: each feature lives in one of the APO's own
// system-effects property stores (default, user or volatile, by the feature's store kind). Every
// operation opens the store anew, with COM initialised on the calling thread for its duration, and
// releases it at the end. Messages carry the function names and line numbers support reads.
class QevPropertyStoreWrapper_capx : public QevPropIntf {
public:
    explicit QevPropertyStoreWrapper_capx(IMMDevice* device);

    bool getProperties(std::string_view feature, std::wstring* value) const override;
    bool getProperties(std::string_view feature, uint32_t* value) const override;
    bool getProperties_multiSZ(std::string_view feature, std::vector<std::wstring>* values) const override;
    bool setProperties(std::string_view feature, const std::wstring& value) const override;
    bool setProperties(std::string_view feature, uint32_t value) const override;

private:
    // The store of the feature's kind, or null (logged). COM must be initialised.
    Microsoft::WRL::ComPtr<IPropertyStore> getStore(int32_t kind) const;
    // Reads the feature's value of `type`; the lines tell which message each failure logs.
    struct ReadLines {
        const char* store_function;
        int store_line;
        int parse_line;
        int read_line;
        int type_line;
    };
    bool read(const FeatureKey* row, VARTYPE type, const ReadLines& lines, PROPVARIANT* value) const;
};

}  // namespace qev::datapath
