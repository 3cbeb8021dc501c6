#pragma once

#include "registry_seed.h"

#include <windows.h>

#include <devpropdef.h>

#include <string>
#include <vector>

namespace qev::sysinfo::test {

// A device instance seeded under HKLM\SYSTEM\CurrentControlSet\Enum, where Wine's SetupAPI finds it,
// removed again at the end of the test. Properties are stored where Wine reads them: the default value
// of "Properties\{fmtid}\<pid as 4 hex digits>" with registry type 0xFFFF0000 | property type.
class DeviceSeed {
public:
    DeviceSeed(const std::wstring& instance_id, const std::wstring& class_guid,
               const std::vector<std::wstring>& hardware_ids);

    void set_string_property(const DEVPROPKEY& key, const std::wstring& text);
    void set_string_list_property(const DEVPROPKEY& key, const std::vector<std::wstring>& items);
    void set_raw_property(const DEVPROPKEY& key, DEVPROPTYPE type, const void* data, DWORD size);

    const std::wstring& instance_id() const { return instance_id_; }

private:
    std::wstring property_key(const DEVPROPKEY& key) const;

    std::wstring instance_id_;
    std::wstring device_key_;
    RegistrySeed seed_;
};

}  // namespace qev::sysinfo::test
