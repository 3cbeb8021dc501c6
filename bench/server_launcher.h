#pragma once

#include "client/win_handle.h"

#include <windows.h>

#include <string>

namespace qev::bench {

// The server the benchmark measures: either started here (and ended again when this object goes) or
// found running by its executable name.
class ServerLauncher {
public:
    ServerLauncher() = default;
    ~ServerLauncher();

    ServerLauncher(const ServerLauncher&) = delete;
    ServerLauncher& operator=(const ServerLauncher&) = delete;

    // Starts `exe` (a Windows path, or a Unix path under Wine) with no arguments.
    bool start(const std::wstring& exe);
    bool find_running(const std::wstring& exe_name);

    DWORD pid() const { return pid_; }

private:
    client::WinHandle started_;
    DWORD pid_ = 0;
};

}  // namespace qev::bench
