#include "sysinfo/device_property.h"

#include "base/logging.h"
#include "sysinfo/device_hardware_ids.h"

#include <cstring>
#include <algorithm>

namespace qev::sysinfo {
namespace {

std::vector<wchar_t> as_wide_chars(const std::vector<BYTE>& bytes)
{
    std::vector<wchar_t> chars(bytes.size() / sizeof(wchar_t));
    if (!chars.empty()) {
        std::memcpy(chars.data(), bytes.data(), chars.size() * sizeof(wchar_t));
    }
    return chars;
}

std::wstring to_string(const std::vector<BYTE>& bytes)
{
    const std::vector<wchar_t> chars = as_wide_chars(bytes);
    size_t length = 0;
    while (length < chars.size() && chars[length] != L'\0') {
        ++length;
    }
    return std::wstring(chars.data(), length);
}

std::vector<std::wstring> to_string_list(const std::vector<BYTE>& bytes)
{
    const std::vector<wchar_t> chars = as_wide_chars(bytes);
    std::vector<std::wstring> items;
    size_t start = 0;
    while (start < chars.size() && chars[start] != L'\0') {
        size_t end = start;
        while (end < chars.size() && chars[end] != L'\0') {
            ++end;
        }
        items.emplace_back(chars.data() + start, end - start);
        start = end + 1;
    }
    return items;
}

// The raw property and its type; the buffer is sized by a first call without one.
std::optional<std::vector<BYTE>> read_raw_property(const DeviceRef& device, const DEVPROPKEY& key, DEVPROPTYPE& type)
{
    SP_DEVINFO_DATA data = device.data;
    DWORD required = 0;
    if (SetupDiGetDevicePropertyW(device.set, &data, &key, &type, nullptr, 0, &required, 0)) {
        return std::vector<BYTE>();
    }
    const DWORD size_error = GetLastError();
    if (size_error != ERROR_INSUFFICIENT_BUFFER) {
        base::log_printf("Failed to get device property buffer size, 0x%08X\n", static_cast<unsigned>(size_error));
        return std::nullopt;
    }
    std::vector<BYTE> buffer(required);
    if (!SetupDiGetDevicePropertyW(device.set, &data, &key, &type, buffer.data(), required, &required, 0)) {
        base::log_printf("Failed to get device property data, 0x%08X\n", static_cast<unsigned>(GetLastError()));
        return std::nullopt;
    }
    buffer.resize(std::min<size_t>(buffer.size(), required));
    return buffer;
}

}  // namespace

bool DevpropkeyLess::operator()(const DEVPROPKEY& left, const DEVPROPKEY& right) const
{
    const int order = std::memcmp(&left.fmtid, &right.fmtid, sizeof(GUID));
    return order != 0 ? order < 0 : left.pid < right.pid;
}

std::optional<DevicePropertyValue> GetDeviceProperty(const DeviceRef& device, const DEVPROPKEY& key)
{
    DEVPROPTYPE type = DEVPROP_TYPE_EMPTY;
    const std::optional<std::vector<BYTE>> raw = read_raw_property(device, key, type);
    if (!raw) {
        return std::nullopt;
    }
    switch (type) {
    case DEVPROP_TYPE_STRING:
        return DevicePropertyValue(to_string(*raw));
    case DEVPROP_TYPE_STRING_LIST:
        return DevicePropertyValue(to_string_list(*raw));
    case DEVPROP_TYPE_BOOLEAN:
    case DEVPROP_TYPE_UINT32:
    case DEVPROP_TYPE_GUID:
        base::log_printf("Type is not implemented\n");
        return std::nullopt;
    default:
        base::log_printf("Unexpected prop type: 0x%08X\n", static_cast<unsigned>(type));
        return std::nullopt;
    }
}

DevicePropertyMap GetDevicePropertiesByHardwareId(const GUID& setup_class, const std::wstring& hardware_id,
                                                  const std::vector<DEVPROPKEY>& keys)
{
    DevicePropertyMap values;
    const UniqueDeviceInfoSet set(SetupDiGetClassDevsW(&setup_class, nullptr, nullptr, 0));
    if (!set) {
        base::log_printf("Failed to get class devs, 0x%08X\n", static_cast<unsigned>(GetLastError()));
        return values;
    }
    ForEachDevice(set.get(), [&](const DeviceRef& device) {
        if (HasHardwareId(device, hardware_id)) {
            for (const DEVPROPKEY& key : keys) {
                if (std::optional<DevicePropertyValue> value = GetDeviceProperty(device, key)) {
                    values.emplace(key, std::move(*value));
                }
            }
        }
        return true;
    });
    return values;
}

}  // namespace qev::sysinfo
