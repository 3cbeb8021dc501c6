#pragma once

#include <windows.h>

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

// Collects every OutputDebugString line of this process (all threads) while it lives. The
// debug-print exception raised before the DBWIN hand-off carries the whole text, so a vectored
// handler sees lines of any length. Narrow and wide lines are kept in arrival order; narrow text
// is widened byte for byte and wide text narrowed likewise, which is exact for ASCII.
class DebugOutputCapture {
public:
    DebugOutputCapture();
    ~DebugOutputCapture();
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    std::vector<std::string> lines() const;
    std::vector<std::wstring> wide_lines() const;
    bool contains(const std::string& line) const;
    bool contains(const std::wstring& line) const;
    size_t count(const std::string& line) const;

private:
    static LONG CALLBACK handler(EXCEPTION_POINTERS* info);
    void add(std::wstring line);

    static inline DebugOutputCapture* volatile active_ = nullptr;
    PVOID handle_ = nullptr;
    mutable std::mutex mutex_;
    std::vector<std::wstring> lines_;  // guarded by mutex_
};
