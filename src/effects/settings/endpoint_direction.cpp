#include "effects/settings/endpoint_direction.h"

#include <wrl/client.h>

#include "winaudio/com_init_guard.h"
#include "winaudio/endpoint_queries.h"

namespace qev::effects {

EndpointDirection DirectionFromDataFlow(EDataFlow flow)
{
    switch (flow) {
    case eCapture:
        return EndpointDirection::Capture;
    case eRender:
        return EndpointDirection::Render;
    default:
        return EndpointDirection::Unknown;
    }
}

EndpointDirection ResolveDirection(const std::wstring& endpointId, EndpointDirection direction)
{
    if (direction != EndpointDirection::Unknown) {
        return direction;
    }
    winaudio::ComInitGuard::Instance();
    Microsoft::WRL::ComPtr<IMMDevice> device;
    EDataFlow flow = eAll;
    if (!winaudio::GetDeviceById(endpointId, device) || !winaudio::GetDataFlow(device, flow)) {
        return EndpointDirection::Unknown;
    }
    return DirectionFromDataFlow(flow);
}

}  // namespace qev::effects
