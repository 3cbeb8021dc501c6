#include "datapath/context/qev_reg_wrapper_v2.h"

#include "base/logging.h"
#include "datapath/context/feature_rows.h"
#include "effects/settings/endpoint_fx_registry.h"
#include "winaudio/endpoint_queries.h"

namespace qev::datapath {

namespace {

using effects::EndpointFxRegistry;

}  // namespace

QevRegWrapper_v2::QevRegWrapper_v2(IMMDevice* device) : QevPropIntf(device), key_path_(fx_key_path_of(device))
{
    ready_ = !key_path_.empty();
}

std::wstring QevRegWrapper_v2::fx_key_path_of(IMMDevice* device)
{
    std::wstring id;
    if (!winaudio::GetDeviceId(device, id)) {
        base::log_printf("Failed to get device id, device is invalid\n");
        return {};
    }
    EDataFlow flow = eAll;
    if (!winaudio::GetDataFlow(device, flow)) {
        base::log_printf("Failed to get device type, device is invalid\n");
        return {};
    }
    // Code 1 is the capture key, 2 the render key; anything else has no path.
    const uint32_t code = flow == eCapture ? 1 : flow == eRender ? 2 : 0;
    return EndpointFxRegistry::EndpointFxKeyPath(id, code);
}

const std::wstring* QevRegWrapper_v2::existing_value(const FeatureKey* row) const
{
    if (row == nullptr || !EndpointFxRegistry::RegValueExists(key_path_, row->pkey)) {
        return nullptr;
    }
    return &row->pkey;
}

bool QevRegWrapper_v2::getProperties(std::string_view feature, std::wstring* value) const
{
    const std::wstring* name = existing_value(FeatureRows::String(feature));
    return name != nullptr && EndpointFxRegistry::RegReadString(key_path_, *name, *value);
}

bool QevRegWrapper_v2::getProperties(std::string_view feature, uint32_t* value) const
{
    const std::wstring* name = existing_value(FeatureRows::Number(feature));
    DWORD read = 0;
    if (name == nullptr || !EndpointFxRegistry::RegReadDword(key_path_, *name, read)) {
        return false;
    }
    *value = read;
    return true;
}

bool QevRegWrapper_v2::getProperties_multiSZ(std::string_view feature, std::vector<std::wstring>* values) const
{
    const std::wstring* name = existing_value(FeatureRows::String(feature));
    return name != nullptr && EndpointFxRegistry::RegReadMultiString(key_path_, *name, *values);
}

bool QevRegWrapper_v2::setProperties(std::string_view feature, const std::wstring& value) const
{
    const FeatureKey* row = FeatureRows::String(feature);
    return row != nullptr && EndpointFxRegistry::RegWriteString(key_path_, row->pkey, value);
}

bool QevRegWrapper_v2::setProperties(std::string_view feature, uint32_t value) const
{
    const FeatureKey* row = FeatureRows::Number(feature);
    return row != nullptr && EndpointFxRegistry::RegWriteDword(key_path_, row->pkey, value);
}

}  // namespace qev::datapath
