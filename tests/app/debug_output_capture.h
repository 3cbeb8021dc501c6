#pragma once

#include <windows.h>

#include <string>
#include <vector>

#ifndef DBG_PRINTEXCEPTION_WIDE_C
#define DBG_PRINTEXCEPTION_WIDE_C 0x4001000A
#endif

// Collects this process's OutputDebugString messages while it lives, through the debug-print
// exception OutputDebugString raises before anything else sees the text. Wide messages are kept
// narrowed (the tests log ASCII only) and may appear twice (wide, then converted). One capture at
// a time.
class DebugOutputCapture {
public:
    DebugOutputCapture()
    {
        active_ = this;
        handle_ = AddVectoredExceptionHandler(1, &DebugOutputCapture::handler);
    }
    ~DebugOutputCapture()
    {
        RemoveVectoredExceptionHandler(handle_);
        active_ = nullptr;
    }
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    const std::vector<std::string>& lines() const { return lines_; }

private:
    static LONG CALLBACK handler(EXCEPTION_POINTERS* info)
    {
        const EXCEPTION_RECORD* record = info->ExceptionRecord;
        if (active_ == nullptr || record->NumberParameters < 2) {
            return EXCEPTION_CONTINUE_SEARCH;
        }
        const auto length = static_cast<size_t>(record->ExceptionInformation[0]);
        const size_t without_nul = length > 0 ? length - 1 : 0;
        if (record->ExceptionCode == DBG_PRINTEXCEPTION_WIDE_C) {
            const auto* text = reinterpret_cast<const wchar_t*>(record->ExceptionInformation[1]);
            const std::wstring wide(text, without_nul);
            active_->lines_.emplace_back(wide.begin(), wide.end());
        } else if (record->ExceptionCode == DBG_PRINTEXCEPTION_C) {
            const auto* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
            active_->lines_.emplace_back(text, without_nul);
        }
        return EXCEPTION_CONTINUE_SEARCH;
    }

    static inline DebugOutputCapture* active_ = nullptr;
    PVOID handle_ = nullptr;
    std::vector<std::string> lines_;
};
