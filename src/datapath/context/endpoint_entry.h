#pragma once

#include <windows.h>

#include <mmdeviceapi.h>
#include <wrl/client.h>

#include <cstdint>
#include <string>

namespace qev::datapath {

// Endpoint types of the datapath; Windows eCapture maps to capture and eRender to render.
enum EndpointType : uint32_t {
    kEndpointCapture = 0,
    kEndpointRender = 1,
    kEndpointBoth = 2,
};

inline EndpointType EndpointTypeFromDataFlow(EDataFlow flow)
{
    return flow == eCapture ? kEndpointCapture : flow == eRender ? kEndpointRender : kEndpointBoth;
}

// One active audio endpoint as listed for clients and matched by name.
struct EndpointEntry {
    Microsoft::WRL::ComPtr<IMMDevice> device;
    std::wstring id;
    std::wstring friendly_name;
    uint32_t type = kEndpointBoth;
};

}  // namespace qev::datapath
