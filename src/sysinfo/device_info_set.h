#pragma once

#include "winsys/unique_handle.h"

#include <windows.h>

#include <setupapi.h>

#include <functional>

namespace qev::sysinfo {

// A SetupAPI device information set, destroyed with SetupDiDestroyDeviceInfoList.
struct DeviceInfoSetTraits {
    using pointer = HDEVINFO;
    static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool is_valid(pointer h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(pointer h) noexcept { ::SetupDiDestroyDeviceInfoList(h); }
};

using UniqueDeviceInfoSet = qev::winsys::UniqueHandle<DeviceInfoSetTraits>;

// One device of a set; valid as long as the set lives.
struct DeviceRef {
    HDEVINFO set = INVALID_HANDLE_VALUE;
    SP_DEVINFO_DATA data{};
};

// Calls visit for every device of the set, in order, until it returns false.
void ForEachDevice(HDEVINFO set, const std::function<bool(const DeviceRef&)>& visit);

}  // namespace qev::sysinfo
