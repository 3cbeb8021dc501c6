#include "winaudio/audio_device_list.h"

#include <propsys.h>

#include <cstdio>

#include "base/com_object.h"
#include "base/co_task_memory.h"
#include "winaudio/endpoint_property_keys.h"
#include "base/prop_variant.h"

using Microsoft::WRL::ComPtr;

namespace qev::winaudio {

namespace {

HRESULT create_enumerator(ComPtr<IMMDeviceEnumerator>& enumerator)
{
    return CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL, __uuidof(IMMDeviceEnumerator),
                            reinterpret_cast<void**>(enumerator.ReleaseAndGetAddressOf()));
}

std::wstring id_of(IMMDevice* device)
{
    base::CoTaskString id;
    if (device == nullptr || FAILED(device->GetId(id.put()))) {
        return {};
    }
    return base::to_wstring(id);
}

// A property that cannot be read as text gives an empty string.
std::wstring read_text(IPropertyStore* store, const PROPERTYKEY& key)
{
    base::PropVariant value;
    if (store == nullptr || FAILED(store->GetValue(key, value.get())) || value.type() != VT_LPWSTR ||
        value.value().pwszVal == nullptr) {
        return {};
    }
    return value.value().pwszVal;
}

}  // namespace

AudioDeviceList::AudioDeviceList(const DeviceEventCallbacks* callbacks)
{
    if (!com_.initialized() || callbacks == nullptr) {
        return;
    }
    if (!enumerator_ && FAILED(create_enumerator(enumerator_))) {
        enumerator_.Reset();
        return;
    }
    unregister_wrapper();
    register_wrapper(*callbacks);
}

AudioDeviceList::~AudioDeviceList()
{
    unregister_wrapper();
}

void AudioDeviceList::register_wrapper(const DeviceEventCallbacks& callbacks)
{
    worker_ = std::make_shared<SerialWorker>();
    ComPtr<QevAudioDevMonitorWrapper> wrapper = base::make_com<QevAudioDevMonitorWrapper>(callbacks, worker_);
    if (SUCCEEDED(enumerator_->RegisterEndpointNotificationCallback(wrapper.Get()))) {
        wrapper_ = std::move(wrapper);
    }
}

void AudioDeviceList::unregister_wrapper()
{
    if (enumerator_ && wrapper_ && FAILED(enumerator_->UnregisterEndpointNotificationCallback(wrapper_.Get()))) {
        // Windows may still call it (and holds no reference, by the current documentation): it
        // is left alive rather than freed under the enumerator.
        wrapper_.Detach();
        return;
    }
    wrapper_.Reset();
}

void AudioDeviceList::refresh()
{
    ComPtr<IMMDeviceEnumerator> enumerator;
    if (FAILED(create_enumerator(enumerator))) {
        return;
    }
    list_flow(enumerator.Get(), eRender, renderNames_, renderIds_);
    list_flow(enumerator.Get(), eCapture, captureNames_, captureIds_);
}

void AudioDeviceList::list_flow(IMMDeviceEnumerator* enumerator, EDataFlow flow, std::vector<std::wstring>& names,
                                std::vector<std::wstring>& ids)
{
    ComPtr<IMMDeviceCollection> collection;
    UINT count = 0;
    if (FAILED(enumerator->EnumAudioEndpoints(flow, DEVICE_STATE_ACTIVE, &collection)) ||
        FAILED(collection->GetCount(&count))) {
        return;
    }
    ComPtr<IMMDevice> defaultDevice;
    if (FAILED(enumerator->GetDefaultAudioEndpoint(flow, eMultimedia, &defaultDevice))) {
        defaultDevice.Reset();
    }
    std::wprintf(flow == eRender ? L"=> default output: %ls\n" : L"=> default input: %ls\n",
                 id_of(defaultDevice.Get()).c_str());
    for (UINT index = 0; index < count; ++index) {
        ComPtr<IMMDevice> device;
        if (FAILED(collection->Item(index, &device))) {
            continue;
        }
        const std::wstring id = id_of(device.Get());
        ComPtr<IPropertyStore> store;
        if (FAILED(device->OpenPropertyStore(STGM_READ, &store))) {
            store.Reset();
        }
        const std::wstring name = read_text(store.Get(), kDeviceFriendlyNameKey);
        std::wprintf(L"Audio Device %d: %ls\n", static_cast<int>(index + 1), name.c_str());
        names.push_back(name);
        ids.push_back(id);
    }
    std::fflush(stdout);
}

}  // namespace qev::winaudio
