#pragma once

#include "base/unique_handle.h"

#include <windows.h>

#include <string>

namespace qev::sysinfo::test {

// Redirects HKEY_LOCAL_MACHINE of this process to an empty scratch key under HKEY_CURRENT_USER while it
// lives, so a test can present a machine without the usual keys or with broken values without touching
// the real machine key. The scratch key is deleted at the end.
class LocalMachineOverride {
public:
    LocalMachineOverride()
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, scratch_path_.c_str());
        base::UniqueRegKey scratch;
        active_ = RegCreateKeyExW(HKEY_CURRENT_USER, scratch_path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  scratch.put(), nullptr) == ERROR_SUCCESS &&
                  RegOverridePredefKey(HKEY_LOCAL_MACHINE, scratch.get()) == ERROR_SUCCESS;
    }
    ~LocalMachineOverride()
    {
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        RegDeleteTreeW(HKEY_CURRENT_USER, scratch_path_.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, scratch_path_.c_str());
    }
    LocalMachineOverride(const LocalMachineOverride&) = delete;
    LocalMachineOverride& operator=(const LocalMachineOverride&) = delete;

    bool active() const { return active_; }

private:
    const std::wstring scratch_path_ = L"Software\\qevtest_sysinfo_machine_" + std::to_wstring(GetCurrentProcessId());
    bool active_ = false;
};

}  // namespace qev::sysinfo::test
