#include "server_process.h"

#include <gtest/gtest.h>

#include <thread>

namespace qev::e2e {

bool ServerProcess::start(const std::wstring& arguments)
{
    std::string error;
    if (!process_.start(build_file(L"src/app/qEvSwServer.exe"), arguments, error)) {
        ADD_FAILURE() << "cannot start qEvSwServer.exe: " << error;
        return false;
    }
    return true;
}

namespace {

// The hidden window of process `pid`, if it has one now.
HWND find_server_window(DWORD pid)
{
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, L"qEvSwServerWnd", L"qEvSwServer")) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == pid) {
            return window;
        }
    }
    return nullptr;
}

}  // namespace

HWND ServerProcess::wait_for_window(std::chrono::milliseconds timeout) const
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (const HWND window = find_server_window(pid()); window != nullptr) {
            return window;
        }
        if (!running() || std::chrono::steady_clock::now() >= deadline) {
            return nullptr;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

}  // namespace qev::e2e
