#pragma once

#include "child_process.h"

#include <string>

namespace qev::e2e {

// The server under test: $QEV_BUILD/src/app/qEvSwServer.exe, ended when this object goes.
class ServerProcess {
public:
    // `arguments` becomes the server's command line after the program name, exactly as given.
    // On failure the reason goes to the GoogleTest output.
    bool start(const std::wstring& arguments = L"");

    DWORD pid() const { return process_.pid(); }
    bool running() const { return process_.running(); }
    std::optional<DWORD> wait_exit(std::chrono::milliseconds timeout) const { return process_.wait_exit(timeout); }
    void terminate() { process_.terminate(); }

    // The server's hidden window ("qEvSwServerWnd"/"qEvSwServer") once it exists; null after
    // `timeout` or when the server ended first.
    HWND wait_for_window(std::chrono::milliseconds timeout) const;

private:
    ChildProcess process_;
};

// An exit code of -1 as GetExitCodeProcess reports it.
constexpr DWORD kExitMinusOne = static_cast<DWORD>(-1);

}  // namespace qev::e2e
