#pragma once

#include <windows.h>

#include <mmdeviceapi.h>
#include <wrl/client.h>

#include <string>

namespace qev::effects {

// The endpoint with this id, or null after "Failed to get device by id, <id>" when it can't be found.
Microsoft::WRL::ComPtr<IMMDevice> LookUpEndpoint(const std::wstring& endpointId);

}  // namespace qev::effects
