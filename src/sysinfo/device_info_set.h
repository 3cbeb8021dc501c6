#pragma once

#include "base/unique_handle.h"

#include <windows.h>

#include <setupapi.h>

#include <functional>

namespace qev::sysinfo {

// A SetupAPI device information set.
using UniqueDeviceInfoSet = base::UniqueHandle<HDEVINFO, &::SetupDiDestroyDeviceInfoList, base::invalid_handle_value>;

// One device of a set; valid as long as the set lives.
struct DeviceRef {
    HDEVINFO set = INVALID_HANDLE_VALUE;
    SP_DEVINFO_DATA data{};
};

// Calls visit for every device of the set, in order, until it returns false.
void ForEachDevice(HDEVINFO set, const std::function<bool(const DeviceRef&)>& visit);

}  // namespace qev::sysinfo
