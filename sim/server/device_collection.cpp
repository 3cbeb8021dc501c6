#include "device_collection.h"

#include "audio_device.h"

namespace qevsim {

DeviceCollection::DeviceCollection(std::vector<EndpointId> ids) : ids_(std::move(ids))
{}

HRESULT DeviceCollection::GetCount(UINT* count)
{
    if (count == nullptr) {
        return E_POINTER;
    }
    *count = static_cast<UINT>(ids_.size());
    return S_OK;
}

HRESULT DeviceCollection::Item(UINT index, IMMDevice** device)
{
    if (device == nullptr) {
        return E_POINTER;
    }
    *device = nullptr;
    if (index >= ids_.size()) {
        return E_INVALIDARG;
    }
    return handOut(new (std::nothrow) AudioDevice(ids_[index]), __uuidof(IMMDevice), reinterpret_cast<void**>(device));
}

}  // namespace qevsim
