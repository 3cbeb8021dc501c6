#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

namespace qev::winsys::test {

#ifndef DBG_PRINTEXCEPTION_WIDE_C
#define DBG_PRINTEXCEPTION_WIDE_C 0x4001000A
#endif

// Collects what OutputDebugString receives in this process while it lives, through a vectored
// handler for the debug-print exceptions (narrow text is widened; a wide line may also arrive in its narrow form).
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

    std::vector<std::wstring> lines() const
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return lines_;
    }

    bool contains(const std::wstring& line) const
    {
        for (const std::wstring& seen : lines()) {
            if (seen == line) {
                return true;
            }
        }
        return false;
    }

private:
    static LONG CALLBACK handler(EXCEPTION_POINTERS* info)
    {
        const EXCEPTION_RECORD* record = info->ExceptionRecord;
        DebugOutputCapture* self = active_;
        if (self == nullptr || record->NumberParameters < 2) {
            return EXCEPTION_CONTINUE_SEARCH;
        }
        const auto length = static_cast<size_t>(record->ExceptionInformation[0]);
        const size_t characters = length > 0 ? length - 1 : 0;
        if (record->ExceptionCode == DBG_PRINTEXCEPTION_C) {
            const auto* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
            const std::lock_guard<std::mutex> lock(self->mutex_);
            self->lines_.emplace_back(text, text + characters);
        } else if (record->ExceptionCode == DBG_PRINTEXCEPTION_WIDE_C) {
            const auto* text = reinterpret_cast<const wchar_t*>(record->ExceptionInformation[1]);
            const std::lock_guard<std::mutex> lock(self->mutex_);
            self->lines_.emplace_back(text, characters);
        }
        return EXCEPTION_CONTINUE_SEARCH;
    }

    static inline DebugOutputCapture* active_ = nullptr;
    PVOID handle_ = nullptr;
    mutable std::mutex mutex_;
    std::vector<std::wstring> lines_;
};

}  // namespace qev::winsys::test
