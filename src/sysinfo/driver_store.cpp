#include "sysinfo/driver_store.h"

#include "base/logging.h"
#include "sysinfo/apo_identifiers.h"
#include "sysinfo/device_hardware_ids.h"
#include "sysinfo/device_property.h"

#include <windows.h>

#include <initguid.h>

#include <devpkey.h>
#include <setupapi.h>

#include <cwchar>
#include <optional>
#include <vector>

#ifdef __MINGW32__
// Present in setupapi but not declared by the mingw-w64 headers.
extern "C" WINSETUPAPI BOOL WINAPI SetupGetInfDriverStoreLocationW(PCWSTR FileName,
                                                                   PSP_ALTPLATFORM_INFO AlternatePlatformInfo,
                                                                   PCWSTR LocaleName, PWSTR ReturnBuffer,
                                                                   DWORD ReturnBufferSize, PDWORD RequiredSize);
#endif

namespace qev::sysinfo {
namespace {

// The string property of the first present device of the class carrying the hardware id.
std::optional<std::wstring> first_device_string(const GUID& setup_class, const std::wstring& hardware_id,
                                                const DEVPROPKEY& key)
{
    const UniqueDeviceInfoSet set(SetupDiGetClassDevsW(&setup_class, nullptr, nullptr, DIGCF_PRESENT));
    if (!set) {
        base::log_printf("Failed to get class devs, 0x%08X\n", static_cast<unsigned>(GetLastError()));
        return std::nullopt;
    }
    std::optional<DevicePropertyValue> value;
    bool found = false;
    ForEachDevice(set.get(), [&](const DeviceRef& device) {
        found = HasHardwareId(device, hardware_id);
        if (found) {
            value = GetDeviceProperty(device, key);
        }
        return !found;
    });
    if (!value || !std::holds_alternative<std::wstring>(*value)) {
        return std::nullopt;
    }
    return std::get<std::wstring>(*value);
}

std::wstring driver_store_location(const std::wstring& inf_name)
{
    DWORD required = 0;
    if (SetupGetInfDriverStoreLocationW(inf_name.c_str(), nullptr, nullptr, nullptr, 0, &required) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER || required == 0) {
        base::log_printf("Failed to get inf location: 0x%08X\n", static_cast<unsigned>(GetLastError()));
        return std::wstring();
    }
    std::vector<wchar_t> buffer(required);
    if (!SetupGetInfDriverStoreLocationW(inf_name.c_str(), nullptr, nullptr, buffer.data(), required, &required)) {
        base::log_printf("Failed to get inf location: 0x%08X\n", static_cast<unsigned>(GetLastError()));
        return std::wstring();
    }
    return std::wstring(buffer.data(), wcsnlen(buffer.data(), buffer.size()));
}

}  // namespace

std::wstring GetApoInfPath()
{
    const std::optional<std::wstring> inf_name =
        first_device_string(kApoClassId, kApoHardwareId, DEVPKEY_Device_DriverInfPath);
    return inf_name ? driver_store_location(*inf_name) : std::wstring();
}

std::wstring GetApoDriverVersion()
{
    return first_device_string(kApoClassId, kApoHardwareId, DEVPKEY_Device_DriverVersion).value_or(std::wstring());
}

std::wstring GetAudioServiceDriverVersion()
{
    return first_device_string(kSoftwareComponentClassId, kAudioServiceHardwareId, DEVPKEY_Device_DriverVersion)
        .value_or(std::wstring());
}

}  // namespace qev::sysinfo
