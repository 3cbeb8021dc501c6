#pragma once

#include <windows.h>

#include <mmdeviceapi.h>
#include <wrl/client.h>

#include <string>
#include <vector>

namespace qev::winaudio {

// Queries on audio endpoints, run on the caller's thread. Each logs its failures and returns false.
// An endpoint argument is taken by value: the query holds one reference and drops it on return.

bool GetDeviceById(const std::wstring& endpointId, Microsoft::WRL::ComPtr<IMMDevice>& device);
bool GetDeviceId(Microsoft::WRL::ComPtr<IMMDevice> device, std::wstring& endpointId);
bool GetDataFlow(Microsoft::WRL::ComPtr<IMMDevice> device, EDataFlow& flow);
bool GetFriendlyName(Microsoft::WRL::ComPtr<IMMDevice> device, std::wstring& name);
bool GetInterfaceFriendlyName(Microsoft::WRL::ComPtr<IMMDevice> device, std::wstring& name);
bool GetHardwareId(Microsoft::WRL::ComPtr<IMMDevice> device, std::wstring& hardwareId);
// The endpoint's DEVICE_STATE_* value; the caller reports a failure with the result. No message here.
HRESULT GetDeviceState(Microsoft::WRL::ComPtr<IMMDevice> device, DWORD& state);

// Every endpoint of the flow in any state; an empty result is still a success.
bool EnumerateEndpoints(std::vector<Microsoft::WRL::ComPtr<IMMDevice>>& endpoints, EDataFlow flow);
// The same for the active endpoints only.
bool EnumerateActiveEndpoints(std::vector<Microsoft::WRL::ComPtr<IMMDevice>>& endpoints, EDataFlow flow);
// The ids of every endpoint of the flow in any state, in enumeration order; endpoints whose id
// can't be read are left out.
std::vector<std::wstring> EnumerateEndpointIds(EDataFlow flow);

bool IsUsbEndpoint(Microsoft::WRL::ComPtr<IMMDevice> device);
bool IsBluetoothEndpoint(Microsoft::WRL::ComPtr<IMMDevice> device);

// The classification rules on a hardware id text.
bool IsUsbHardwareId(const std::wstring& hardwareId);
bool IsBluetoothHardwareId(const std::wstring& hardwareId);

}  // namespace qev::winaudio
