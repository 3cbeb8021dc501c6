#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

namespace qev::winaudio::test {

// Collects the debugger-output lines of this process while alive (from any thread). The logger's
// OutputDebugString raises a debug-print exception that a vectored handler sees first.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::wstring> lines() const;
    // How many lines equal "[qev] " + text.
    std::size_t count(const std::wstring& text) const;
    bool contains(const std::wstring& text) const { return count(text) > 0; }

private:
    static LONG CALLBACK handler(EXCEPTION_POINTERS* info);
    void add(std::wstring line, bool wide);

    PVOID handle_ = nullptr;
    mutable std::mutex mutex_;
    std::vector<std::wstring> wide_;
    std::vector<std::wstring> narrow_;
};

}  // namespace qev::winaudio::test
