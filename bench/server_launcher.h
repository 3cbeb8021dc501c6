#pragma once

#include "base/unique_handle.h"

#include <windows.h>

#include <string>

namespace qev::bench {

// The server the benchmark measures: either started here (ended again when this object goes, or with
// this process) or found running by its executable name. A started server gets NUL as its standard
// streams, so nothing it leaves behind holds the benchmark's output open.
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
    // The job closes with this process however it ends, and takes the server with it.
    base::UniqueKernelHandle job_;
    base::UniqueKernelHandle started_;
    DWORD pid_ = 0;
};

}  // namespace qev::bench
