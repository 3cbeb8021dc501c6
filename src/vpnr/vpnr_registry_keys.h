#pragma once

#include <string>

namespace qev::vpnr {

// The per-user, per-device record of the last enrollment file, as a full path under
// HKEY_LOCAL_MACHINE: one subkey per user name, below it one per device identifier.
inline constexpr wchar_t kVpnrRecordKey[] = L"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\vestaRion\\VPNR";

inline std::wstring vpnr_user_device_key(const std::wstring& user, const std::wstring& device)
{
    return std::wstring(kVpnrRecordKey) + L"\\" + user + L"\\" + device;
}

}  // namespace qev::vpnr
