#pragma once

#include "base/unique_handle.h"

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace qev::e2e {

// The Windows path ("Z:\...") of a file given relative to the build tree, e.g. "tools/qevlog.exe".
std::wstring build_file(std::wstring_view relative);

// A process started for a test. It never outlives its owner: the destructor terminates it if it
// still runs and waits until it is gone, and a job object that kills on close ends it as well when
// the test process itself is killed (a ctest time-out), so no orphan holds the server's mutex.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Runs `exe` with the command line "\"exe\" arguments" exactly (arguments are not quoted).
    // Console programs get no console window; given `out` and `err` (inheritable) become its standard
    // output and error. False (with `error`) if it could not be created or one is already running.
    bool start(const std::wstring& exe, const std::wstring& arguments, std::string& error, HANDLE out = nullptr,
               HANDLE err = nullptr);

    DWORD pid() const { return pid_; }
    bool running() const;

    // The exit code once the process has ended within `timeout`, otherwise nullopt.
    std::optional<DWORD> wait_exit(std::chrono::milliseconds timeout) const;

    // Ends the process (exit code 1) if it still runs and waits until it is gone.
    void terminate();

private:
    bool create_job(std::string& error);

    base::UniqueKernelHandle job_;
    base::UniqueKernelHandle process_;
    DWORD pid_ = 0;
};

}  // namespace qev::e2e
