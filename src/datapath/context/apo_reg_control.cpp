#include "datapath/context/apo_reg_control.h"

#include "base/logging.h"
#include "datapath/context/qev_property_store_wrapper_capx.h"
#include "datapath/context/qev_reg_wrapper_v2.h"
#include "effects/environment/apo_environment.h"
#include "winaudio/endpoint_queries.h"

namespace qev::datapath {

namespace {

// Environment 1 of a direction: the APO keeps its settings in its own per-APO stores.
constexpr uint32_t kPerApoStores = 1;

EndpointType type_of(IMMDevice* device)
{
    EDataFlow flow = eAll;
    if (device == nullptr || !winaudio::GetDataFlow(device, flow)) {
        return kEndpointBoth;
    }
    return EndpointTypeFromDataFlow(flow);
}

bool uses_per_apo_stores(EndpointType type)
{
    if (type != kEndpointCapture && type != kEndpointRender) {
        return false;
    }
    const effects::ApoEnvironment environment = effects::GetApoEnvironment();
    const effects::DirectionEnvironment& direction =
        type == kEndpointCapture ? environment.capture : environment.render;
    return direction.environment == kPerApoStores;
}

}  // namespace

APORegControl::APORegControl(IMMDevice* device) : type_(type_of(device)), backend_(create_backend(device, type_))
{}

std::unique_ptr<QevPropIntf> APORegControl::create_backend(IMMDevice* device, EndpointType type)
{
    if (device == nullptr) {
        base::log_printf("IMMDevice is invalid\n");
        return nullptr;
    }
    if (uses_per_apo_stores(type)) {
        base::log_printf("this is v3 env!!\n");
        return std::make_unique<QevPropertyStoreWrapper_capx>(device);
    }
    base::log_printf("this is v2 env!!\n");
    return std::make_unique<QevRegWrapper_v2>(device);
}

bool APORegControl::getProperties(std::string_view feature, std::wstring* value) const
{
    return enabled() && backend_->getProperties(feature, value);
}

bool APORegControl::getProperties(std::string_view feature, uint32_t* value) const
{
    return enabled() && backend_->getProperties(feature, value);
}

bool APORegControl::getProperties_multiSZ(std::string_view feature, std::vector<std::wstring>* values) const
{
    return enabled() && backend_->getProperties_multiSZ(feature, values);
}

bool APORegControl::setProperties(std::string_view feature, const std::wstring& value) const
{
    return enabled() && backend_->setProperties(feature, value);
}

bool APORegControl::setProperties(std::string_view feature, uint32_t value) const
{
    return enabled() && backend_->setProperties(feature, value);
}

}  // namespace qev::datapath
