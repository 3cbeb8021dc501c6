#pragma once

#include <windows.h>

#include <string>

namespace qev::sysinfo::test {

// Redirects HKEY_LOCAL_MACHINE of this process to an empty scratch key under HKEY_CURRENT_USER while it
// lives, so a test can present a machine without the usual keys or with broken values without touching
// the real machine key. The scratch key is deleted at the end.
class LocalMachineOverride {
public:
    LocalMachineOverride();
    ~LocalMachineOverride();
    LocalMachineOverride(const LocalMachineOverride&) = delete;
    LocalMachineOverride& operator=(const LocalMachineOverride&) = delete;

    bool active() const { return active_; }

private:
    std::wstring scratch_path_;
    bool active_ = false;
};

}  // namespace qev::sysinfo::test
