#include "sysinfo/device_info_set.h"

namespace qev::sysinfo {

void ForEachDevice(HDEVINFO set, const std::function<bool(const DeviceRef&)>& visit)
{
    for (DWORD index = 0;; ++index) {
        DeviceRef device;
        device.set = set;
        device.data.cbSize = sizeof(device.data);
        if (!SetupDiEnumDeviceInfo(set, index, &device.data)) {
            return;
        }
        if (!visit(device)) {
            return;
        }
    }
}

}  // namespace qev::sysinfo
