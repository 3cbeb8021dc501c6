#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

// Collects OutputDebugStringA lines of every thread of this process through a vectored exception
// handler (the debug-print exception carries the whole text).
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

    std::vector<std::string> lines() const
    {
        const std::lock_guard lock(mutex_);
        return lines_;
    }

    bool contains(const std::string& line) const
    {
        const std::lock_guard lock(mutex_);
        for (const auto& seen : lines_) {
            if (seen == line) {
                return true;
            }
        }
        return false;
    }

    size_t count(const std::string& line) const
    {
        const std::lock_guard lock(mutex_);
        size_t total = 0;
        for (const auto& seen : lines_) {
            total += seen == line ? 1 : 0;
        }
        return total;
    }

private:
    static LONG CALLBACK handler(EXCEPTION_POINTERS* info)
    {
        const EXCEPTION_RECORD* record = info->ExceptionRecord;
        DebugOutputCapture* active = active_;
        if (active != nullptr && record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2) {
            const auto length = static_cast<size_t>(record->ExceptionInformation[0]);
            const auto* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
            const std::lock_guard lock(active->mutex_);
            active->lines_.emplace_back(text, length > 0 ? length - 1 : 0);
        }
        return EXCEPTION_CONTINUE_SEARCH;
    }

    static inline DebugOutputCapture* volatile active_ = nullptr;
    PVOID handle_ = nullptr;
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};
