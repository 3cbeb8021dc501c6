#include "datapath/context/active_endpoint_enumerator.h"

#include "base/co_task_memory.h"
#include "base/logging.h"
#include "base/prop_variant.h"

// PKEY_Device_FriendlyName is defined here (mingw-w64 has no library that holds it).
#include <initguid.h>
#include <functiondiscoverykeys_devpkey.h>
#include <propidl.h>
#include <wrl/client.h>

namespace qev::datapath {

using Microsoft::WRL::ComPtr;

namespace {

uint32_t endpoint_type_of(EDataFlow flow)
{
    switch (flow) {
    case eCapture:
        return kEndpointCapture;
    case eRender:
        return kEndpointRender;
    default:
        return kEndpointBoth;
    }
}

bool read_id(IMMDevice* device, std::wstring* id)
{
    base::CoTaskString raw;
    const HRESULT hr = device->GetId(raw.put());
    if (FAILED(hr) || !raw) {
        base::log_printf("endpoint list: cannot read an endpoint id, hr: 0x%08X\n", static_cast<unsigned>(hr));
        return false;
    }
    *id = raw.get();
    return true;
}

bool read_friendly_name(IMMDevice* device, std::wstring* name)
{
    ComPtr<IPropertyStore> store;
    HRESULT hr = device->OpenPropertyStore(STGM_READ, &store);
    if (FAILED(hr) || !store) {
        base::log_printf("endpoint list: cannot open an endpoint property store, hr: 0x%08X\n",
                         static_cast<unsigned>(hr));
        return false;
    }
    base::PropVariant value;
    hr = store->GetValue(PKEY_Device_FriendlyName, value.get());
    if (FAILED(hr)) {
        base::log_printf("endpoint list: cannot read an endpoint friendly name, hr: 0x%08X\n",
                         static_cast<unsigned>(hr));
        return false;
    }
    if (value.value().vt != VT_LPWSTR || value.value().pwszVal == nullptr) {
        base::log_printf("unknown property type\n");
        return false;
    }
    *name = value.value().pwszVal;
    return true;
}

}  // namespace

ActiveEndpointEnumerator::ActiveEndpointEnumerator(IMMDeviceEnumerator* enumerator) : enumerator_(enumerator)
{}

std::vector<EndpointEntry> ActiveEndpointEnumerator::list(EDataFlow flow) const
{
    std::vector<EndpointEntry> entries;
    if (enumerator_ == nullptr) {
        return entries;
    }
    ComPtr<IMMDeviceCollection> collection;
    HRESULT hr = enumerator_->EnumAudioEndpoints(flow, DEVICE_STATE_ACTIVE, &collection);
    if (FAILED(hr) || !collection) {
        base::log_printf("endpoint list: EnumAudioEndpoints failed, hr: 0x%08X\n", static_cast<unsigned>(hr));
        return entries;
    }
    UINT count = 0;
    hr = collection->GetCount(&count);
    if (FAILED(hr)) {
        base::log_printf("endpoint list: cannot count endpoints, hr: 0x%08X\n", static_cast<unsigned>(hr));
        return entries;
    }
    for (UINT i = 0; i < count; ++i) {
        ComPtr<IMMDevice> device;
        if (FAILED(collection->Item(i, &device)) || !device) {
            continue;
        }
        EndpointEntry entry;
        if (read_entry(device.Get(), &entry)) {
            entry.device = device;
            entry.type = endpoint_type_of(flow);
            entries.push_back(std::move(entry));
        }
    }
    return entries;
}

bool ActiveEndpointEnumerator::read_entry(IMMDevice* device, EndpointEntry* entry) const
{
    return read_id(device, &entry->id) && read_friendly_name(device, &entry->friendly_name);
}

}  // namespace qev::datapath
