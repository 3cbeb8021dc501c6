#pragma once

#include "sysinfo/device_info_set.h"

#include <string>
#include <vector>

namespace qev::sysinfo {

// The hardware ids of a device (SPDRP_HARDWAREID); empty when it has none or they cannot be read.
std::vector<std::wstring> ReadHardwareIds(const DeviceRef& device);

// True when one of the device's hardware ids equals hardware_id, ignoring case.
bool HasHardwareId(const DeviceRef& device, const std::wstring& hardware_id);

}  // namespace qev::sysinfo
