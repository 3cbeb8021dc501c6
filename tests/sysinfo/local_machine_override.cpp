#include "local_machine_override.h"

namespace qev::sysinfo::test {

LocalMachineOverride::LocalMachineOverride()
    : scratch_path_(L"Software\\qevtest_sysinfo_machine_" + std::to_wstring(GetCurrentProcessId()))
{
    HKEY scratch = nullptr;
    RegDeleteTreeW(HKEY_CURRENT_USER, scratch_path_.c_str());
    if (RegCreateKeyExW(HKEY_CURRENT_USER, scratch_path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &scratch,
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    active_ = RegOverridePredefKey(HKEY_LOCAL_MACHINE, scratch) == ERROR_SUCCESS;
    RegCloseKey(scratch);
}

LocalMachineOverride::~LocalMachineOverride()
{
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegDeleteTreeW(HKEY_CURRENT_USER, scratch_path_.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, scratch_path_.c_str());
}

}  // namespace qev::sysinfo::test
