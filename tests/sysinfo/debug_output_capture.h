#pragma once

#include <windows.h>

#include <string>
#include <vector>

#ifndef DBG_PRINTEXCEPTION_WIDE_C
#define DBG_PRINTEXCEPTION_WIDE_C 0x4001000A
#endif

namespace qev::sysinfo::test {

// Collects the lines written with OutputDebugString while it lives (a vectored handler sees the
// debug-print exception that carries each line).
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

    // Narrow lines, with wide ones converted (all our messages are ASCII).
    std::vector<std::string> lines() const { return lines_; }

private:
    static LONG CALLBACK handler(EXCEPTION_POINTERS* info)
    {
        const EXCEPTION_RECORD* record = info->ExceptionRecord;
        if (active_ == nullptr || record->NumberParameters < 2) {
            return EXCEPTION_CONTINUE_SEARCH;
        }
        const auto length = static_cast<size_t>(record->ExceptionInformation[0]);
        const size_t chars = length > 0 ? length - 1 : 0;
        if (record->ExceptionCode == DBG_PRINTEXCEPTION_C) {
            active_->lines_.emplace_back(reinterpret_cast<const char*>(record->ExceptionInformation[1]), chars);
        } else if (record->ExceptionCode == DBG_PRINTEXCEPTION_WIDE_C) {
            const auto* text = reinterpret_cast<const wchar_t*>(record->ExceptionInformation[1]);
            std::string narrow;
            for (size_t i = 0; i < chars; ++i) {
                narrow.push_back(static_cast<char>(text[i]));
            }
            active_->lines_.push_back(narrow);
        }
        return EXCEPTION_CONTINUE_SEARCH;
    }

    static inline DebugOutputCapture* active_ = nullptr;
    PVOID handle_ = nullptr;
    std::vector<std::string> lines_;
};

}  // namespace qev::sysinfo::test
