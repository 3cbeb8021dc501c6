#pragma once

#include "sysinfo/device_info_set.h"

#include <windows.h>

#include <devpropdef.h>

#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace qev::sysinfo {

// A device property as far as this program reads them: a string or a string list.
using DevicePropertyValue = std::variant<std::wstring, std::vector<std::wstring>>;

// Orders property keys by format id, then property id.
struct DevpropkeyLess {
    bool operator()(const DEVPROPKEY& left, const DEVPROPKEY& right) const;
};

using DevicePropertyMap = std::map<DEVPROPKEY, DevicePropertyValue, DevpropkeyLess>;

// Reads one property of a device. Nothing (with a log line) when it cannot be read or its type is not
// a string or string list.
std::optional<DevicePropertyValue> GetDeviceProperty(const DeviceRef& device, const DEVPROPKEY& key);

// The requested properties of the devices of a setup class whose hardware ids include hardware_id (any
// case); properties that cannot be read are left out. When several devices match, the first one read
// gives the value.
DevicePropertyMap GetDevicePropertiesByHardwareId(const GUID& setup_class, const std::wstring& hardware_id,
                                                  const std::vector<DEVPROPKEY>& keys);

}  // namespace qev::sysinfo
