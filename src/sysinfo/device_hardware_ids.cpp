#include "sysinfo/device_hardware_ids.h"

#include "sysinfo/wide_text.h"

#include <algorithm>

namespace qev::sysinfo {
namespace {

// Splits a REG_MULTI_SZ buffer at its NULs, stopping at the empty string or the end of the buffer.
std::vector<std::wstring> split_multi_string(const std::vector<wchar_t>& buffer)
{
    std::vector<std::wstring> items;
    size_t start = 0;
    while (start < buffer.size()) {
        size_t end = start;
        while (end < buffer.size() && buffer[end] != L'\0') {
            ++end;
        }
        if (end == start) {
            break;
        }
        items.emplace_back(buffer.data() + start, end - start);
        start = end + 1;
    }
    return items;
}

}  // namespace

std::vector<std::wstring> ReadHardwareIds(const DeviceRef& device)
{
    SP_DEVINFO_DATA data = device.data;
    DWORD required = 0;
    if (SetupDiGetDeviceRegistryPropertyW(device.set, &data, SPDRP_HARDWAREID, nullptr, nullptr, 0, &required) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER || required == 0) {
        return {};
    }
    std::vector<wchar_t> buffer((required + sizeof(wchar_t) - 1) / sizeof(wchar_t));
    DWORD type = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(device.set, &data, SPDRP_HARDWAREID, &type,
                                           reinterpret_cast<BYTE*>(buffer.data()),
                                           static_cast<DWORD>(buffer.size() * sizeof(wchar_t)), nullptr) ||
        type != REG_MULTI_SZ) {
        return {};
    }
    return split_multi_string(buffer);
}

bool HasHardwareId(const DeviceRef& device, const std::wstring& hardware_id)
{
    const std::vector<std::wstring> ids = ReadHardwareIds(device);
    return std::any_of(ids.begin(), ids.end(),
                       [&](const std::wstring& id) { return EqualsIgnoreCase(id, hardware_id); });
}

}  // namespace qev::sysinfo
