#pragma once

#include "base/unique_handle.h"

#include <windows.h>

#include <string>

namespace qev::bench {

// A process a benchmark runs beside itself (the server it measures, a client it kills): either
// started here (ended again when this object goes, or with this process) or found running by its
// executable name. A started process gets NUL as its standard streams, so nothing it leaves behind
// holds the benchmark's output open.
class ProcessLauncher {
public:
    ProcessLauncher() = default;
    ~ProcessLauncher();

    ProcessLauncher(const ProcessLauncher&) = delete;
    ProcessLauncher& operator=(const ProcessLauncher&) = delete;

    // Starts `exe` (a Windows path, or a Unix path under Wine) with `arguments` after its name.
    bool start(const std::wstring& exe, const std::wstring& arguments = L"");
    bool find_running(const std::wstring& exe_name);
    // Ends a started process at once, as a crash or a kill would, and waits until it is gone.
    void terminate();
    bool running() const;

    DWORD pid() const { return pid_; }

private:
    // The job closes with this process however it ends, and takes the server with it.
    base::UniqueKernelHandle job_;
    base::UniqueKernelHandle started_;
    DWORD pid_ = 0;
};

}  // namespace qev::bench
