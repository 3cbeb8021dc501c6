#pragma once

#include <windows.h>

#include <mmdeviceapi.h>

#include <vector>

#include "com_object.h"
#include "machine_layout.h"

namespace qevsim {

// IMMDeviceCollection: the endpoints that matched when the collection was made.
class DeviceCollection final : public ComObject<IMMDeviceCollection> {
public:
    explicit DeviceCollection(std::vector<EndpointId> ids);

    HRESULT STDMETHODCALLTYPE GetCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE Item(UINT index, IMMDevice** device) override;

private:
    const std::vector<EndpointId> ids_;
};

}  // namespace qevsim
