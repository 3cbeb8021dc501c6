#include "effects/application/endpoint_lookup.h"

#include "base/logging.h"
#include "winaudio/com_init_guard.h"
#include "winaudio/endpoint_queries.h"

namespace qev::effects {

Microsoft::WRL::ComPtr<IMMDevice> LookUpEndpoint(const std::wstring& endpointId)
{
    winaudio::ComInitGuard::Instance();
    Microsoft::WRL::ComPtr<IMMDevice> device;
    if (!winaudio::GetDeviceById(endpointId, device)) {
        base::log_wprintf(L"Failed to get device by id, %s\n", endpointId.c_str());
        return nullptr;
    }
    return device;
}

}  // namespace qev::effects
