#include "device_seed.h"

#include <cwchar>

namespace qev::sysinfo::test {

DeviceSeed::DeviceSeed(const std::wstring& instance_id, const std::wstring& class_guid,
                       const std::vector<std::wstring>& hardware_ids)
    : instance_id_(instance_id), device_key_(L"SYSTEM\\CurrentControlSet\\Enum\\" + instance_id)
{
    seed_.set_string(device_key_, L"ClassGUID", class_guid);
    const std::wstring ids = MultiString(hardware_ids);
    seed_.set_raw(device_key_, L"HardwareID", REG_MULTI_SZ, ids.data(),
                  static_cast<DWORD>(ids.size() * sizeof(wchar_t)));
}

void DeviceSeed::set_string_property(const DEVPROPKEY& key, const std::wstring& text)
{
    set_raw_property(key, DEVPROP_TYPE_STRING, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void DeviceSeed::set_string_list_property(const DEVPROPKEY& key, const std::vector<std::wstring>& items)
{
    const std::wstring data = MultiString(items);
    set_raw_property(key, DEVPROP_TYPE_STRING_LIST, data.data(), static_cast<DWORD>(data.size() * sizeof(wchar_t)));
}

void DeviceSeed::set_raw_property(const DEVPROPKEY& key, DEVPROPTYPE type, const void* data, DWORD size)
{
    seed_.set_raw(property_key(key), L"", 0xFFFF0000u | type, data, size);
}

std::wstring DeviceSeed::property_key(const DEVPROPKEY& key) const
{
    wchar_t text[80] = {};
    const GUID& id = key.fmtid;
    swprintf(text, 80, L"{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}\\%04lX",
             static_cast<unsigned long>(id.Data1), id.Data2, id.Data3, id.Data4[0], id.Data4[1], id.Data4[2],
             id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7], static_cast<unsigned long>(key.pid));
    return device_key_ + L"\\Properties\\" + text;
}

}  // namespace qev::sysinfo::test
