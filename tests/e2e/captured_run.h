#pragma once

#include <windows.h>

#include <chrono>
#include <string>

namespace qev::e2e {

// What a console program printed and how it ended.
struct CapturedRun {
    bool finished = false;  // false: it was still running at the time-out and has been ended
    DWORD exit_code = 0;
    std::string out;  // standard output, "\r\n" turned into "\n"
    std::string err;  // standard error, likewise
};

// Runs "\"exe\" arguments" with its standard output and error captured, waiting up to `timeout`.
CapturedRun run_captured(const std::wstring& exe, const std::wstring& arguments, std::chrono::milliseconds timeout);

}  // namespace qev::e2e
