#include "sysinfo/apo_software_devices.h"

#include "sysinfo/apo_identifiers.h"
#include "sysinfo/local_machine_key.h"
#include "sysinfo/wide_text.h"
#include "winsys/registry.h"

namespace qev::sysinfo {
namespace {

bool is_apo_device(const std::wstring& instance_key)
{
    std::wstring class_guid;
    return qev::winsys::read_string(HKEY_LOCAL_MACHINE, instance_key, L"ClassGUID", class_guid) &&
           EqualsIgnoreCase(class_guid, kApoClassGuid) && LocalMachineKeyOpens(instance_key + L"\\Device Parameters");
}

}  // namespace

bool ListApoSoftwareDevices(const std::function<bool(const std::wstring&)>& accept_instance,
                            std::vector<std::wstring>& out)
{
    const std::wstring& devices_key = GetApoKeyPaths().software_devices_key;
    std::vector<std::wstring> instances;
    if (!qev::winsys::enum_subkeys(HKEY_LOCAL_MACHINE, devices_key, instances)) {
        return false;
    }
    for (const std::wstring& instance : instances) {
        if (is_apo_device(devices_key + L"\\" + instance) && accept_instance && accept_instance(instance)) {
            out.push_back(std::wstring(kSoftwareDevicePrefix) + L"\\" + instance);
        }
    }
    return true;
}

}  // namespace qev::sysinfo
