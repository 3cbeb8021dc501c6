#include "winaudio/endpoint_queries.h"

#include <propsys.h>

#include <regex>

#include "base/logging.h"
#include "base/co_task_memory.h"
#include "winaudio/endpoint_property_keys.h"
#include "base/prop_variant.h"

using Microsoft::WRL::ComPtr;

namespace qev::winaudio {

namespace {

constexpr auto kIcase = std::regex_constants::ECMAScript | std::regex_constants::icase;

HRESULT create_enumerator(ComPtr<IMMDeviceEnumerator>& enumerator)
{
    return CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL, __uuidof(IMMDeviceEnumerator),
                            reinterpret_cast<void**>(enumerator.ReleaseAndGetAddressOf()));
}

// Reads one string property the way the friendly-name queries do.
bool read_name_property(const ComPtr<IMMDevice>& device, const PROPERTYKEY& key, std::wstring& name)
{
    name.clear();
    if (!device) {
        return false;
    }
    ComPtr<IPropertyStore> store;
    HRESULT hr = device->OpenPropertyStore(STGM_READ, &store);
    if (FAILED(hr)) {
        base::log_wprintf(L"Unable to open device property store, hr: 0x%08X\n", static_cast<unsigned>(hr));
        return false;
    }
    base::PropVariant value;
    hr = store->GetValue(key, value.get());
    if (FAILED(hr)) {
        base::log_wprintf(L"Unable to get friendly name for device, hr: 0x%08X\n", static_cast<unsigned>(hr));
        return false;
    }
    if (value.type() != VT_LPWSTR) {
        base::log_wprintf(L"Unexpected prop varaint type: %u\n", static_cast<unsigned>(value.type()));
        return false;
    }
    name = value.value().pwszVal != nullptr ? value.value().pwszVal : L"";
    return true;
}

// No value, or an empty text: the hardware id falls back to the next key.
bool is_blank(const base::PropVariant& value)
{
    return value.type() == VT_EMPTY ||
           (value.type() == VT_LPWSTR && (value.value().pwszVal == nullptr || value.value().pwszVal[0] == L'\0'));
}

bool enumerate_in_states(std::vector<ComPtr<IMMDevice>>& endpoints, EDataFlow flow, DWORD states)
{
    ComPtr<IMMDeviceEnumerator> enumerator;
    HRESULT hr = create_enumerator(enumerator);
    if (FAILED(hr)) {
        base::log_wprintf(L"Unable to instantiate device enumerator, hr: 0x%08X\n", static_cast<unsigned>(hr));
        return false;
    }
    ComPtr<IMMDeviceCollection> collection;
    hr = enumerator->EnumAudioEndpoints(flow, states, &collection);
    if (FAILED(hr)) {
        base::log_wprintf(L"Unable to get device collection, hr: 0x%08X\n", static_cast<unsigned>(hr));
        return false;
    }
    UINT count = 0;
    hr = collection->GetCount(&count);
    if (FAILED(hr)) {
        base::log_wprintf(L"Unable to get device collection length, hr: 0x%08X\n", static_cast<unsigned>(hr));
        return false;
    }
    for (UINT index = 0; index < count; ++index) {
        ComPtr<IMMDevice> device;
        if (SUCCEEDED(collection->Item(index, &device)) && device) {
            endpoints.push_back(device);
        }
    }
    if (endpoints.empty()) {
        base::log_wprintf(L"Device list is empty\n");
    }
    return true;
}

}  // namespace

bool GetDeviceById(const std::wstring& endpointId, ComPtr<IMMDevice>& device)
{
    ComPtr<IMMDeviceEnumerator> enumerator;
    HRESULT hr = create_enumerator(enumerator);
    if (FAILED(hr)) {
        base::log_wprintf(L"Unable to instantiate device enumerator, hr: 0x%08X\n", static_cast<unsigned>(hr));
        return false;
    }
    device.Reset();
    hr = enumerator->GetDevice(endpointId.c_str(), &device);
    if (FAILED(hr)) {
        base::log_wprintf(L"Failed to get device, hr: 0x%08X\n", static_cast<unsigned>(hr));
        return false;
    }
    return true;
}

bool GetDeviceId(ComPtr<IMMDevice> device, std::wstring& endpointId)
{
    if (!device) {
        return false;
    }
    base::CoTaskString text;
    const HRESULT hr = device->GetId(text.put());
    if (FAILED(hr)) {
        base::log_wprintf(L"Failed to get device id, hr: 0x%08X\n", static_cast<unsigned>(hr));
        return false;
    }
    endpointId = base::to_wstring(text);
    return true;
}

bool GetDataFlow(ComPtr<IMMDevice> device, EDataFlow& flow)
{
    ComPtr<IMMEndpoint> endpoint;
    if (!device || FAILED(device.As(&endpoint))) {
        return false;
    }
    return SUCCEEDED(endpoint->GetDataFlow(&flow));
}

bool GetFriendlyName(ComPtr<IMMDevice> device, std::wstring& name)
{
    return read_name_property(device, kDeviceFriendlyNameKey, name);
}

bool GetInterfaceFriendlyName(ComPtr<IMMDevice> device, std::wstring& name)
{
    return read_name_property(device, kInterfaceFriendlyNameKey, name);
}

bool GetHardwareId(ComPtr<IMMDevice> device, std::wstring& hardwareId)
{
    hardwareId.clear();
    if (!device) {
        return false;
    }
    ComPtr<IPropertyStore> store;
    HRESULT hr = device->OpenPropertyStore(STGM_READ, &store);
    if (FAILED(hr)) {
        base::log_wprintf(L"Failed to open device property store, hr: 0x%08X\n", static_cast<unsigned>(hr));
        return false;
    }
    base::PropVariant value;
    hr = store->GetValue(kHardwareIdKey, value.get());
    if (FAILED(hr)) {
        base::log_wprintf(L"Failed to get device hardware id, hr: 0x%08X\n", static_cast<unsigned>(hr));
        return false;
    }
    if (is_blank(value)) {
        value.clear();
        hr = store->GetValue(kHardwareIdFallbackKey, value.get());
        if (FAILED(hr) || is_blank(value)) {
            base::log_wprintf(L"Failed to get device hardware id, hr: 0x%08X\n", static_cast<unsigned>(hr));
            return false;
        }
    }
    if (value.type() != VT_LPWSTR) {
        base::log_wprintf(L"Unexpected prop varaint type: %u\n", static_cast<unsigned>(value.type()));
        return false;
    }
    hardwareId = value.value().pwszVal != nullptr ? value.value().pwszVal : L"";
    return true;
}

HRESULT GetDeviceState(ComPtr<IMMDevice> device, DWORD& state)
{
    if (!device) {
        return E_POINTER;
    }
    DWORD current = 0;
    const HRESULT hr = device->GetState(&current);
    if (SUCCEEDED(hr)) {
        state = current;
    }
    return hr;
}

bool EnumerateEndpoints(std::vector<ComPtr<IMMDevice>>& endpoints, EDataFlow flow)
{
    return enumerate_in_states(endpoints, flow, DEVICE_STATEMASK_ALL);
}

bool EnumerateActiveEndpoints(std::vector<ComPtr<IMMDevice>>& endpoints, EDataFlow flow)
{
    return enumerate_in_states(endpoints, flow, DEVICE_STATE_ACTIVE);
}

std::vector<std::wstring> EnumerateEndpointIds(EDataFlow flow)
{
    std::vector<ComPtr<IMMDevice>> endpoints;
    EnumerateEndpoints(endpoints, flow);
    std::vector<std::wstring> ids;
    for (const ComPtr<IMMDevice>& endpoint : endpoints) {
        std::wstring id;
        if (GetDeviceId(endpoint, id)) {
            ids.push_back(id);
        }
    }
    return ids;
}

bool IsUsbHardwareId(const std::wstring& hardwareId)
{
    static const std::wregex pattern(L".*usb\\\\vid_[0-9a-f]{4}&pid_[0-9a-f]{4}.*", kIcase);
    return std::regex_search(hardwareId, pattern);
}

bool IsBluetoothHardwareId(const std::wstring& hardwareId)
{
    static const std::wregex classic(L".*bthenum\\\\.*", kIcase);
    static const std::wregex handsFree(L".*bthhfenum\\\\.*", kIcase);
    return std::regex_search(hardwareId, classic) || std::regex_search(hardwareId, handsFree);
}

bool IsUsbEndpoint(ComPtr<IMMDevice> device)
{
    std::wstring hardwareId;
    return GetHardwareId(std::move(device), hardwareId) && IsUsbHardwareId(hardwareId);
}

bool IsBluetoothEndpoint(ComPtr<IMMDevice> device)
{
    std::wstring hardwareId;
    return GetHardwareId(std::move(device), hardwareId) && IsBluetoothHardwareId(hardwareId);
}

}  // namespace qev::winaudio
