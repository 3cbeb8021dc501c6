#pragma once

#include <windows.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

// Collects the narrow lines written with OutputDebugStringA while it lives: OutputDebugString raises
// a debug-print exception first, which a vectored handler sees whole.
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
        const std::lock_guard<std::mutex> lock(mutex_);
        return lines_;
    }

    bool contains(const std::string& line) const
    {
        const std::vector<std::string> all = lines();
        return std::find(all.begin(), all.end(), line) != all.end();
    }

private:
    static LONG CALLBACK handler(EXCEPTION_POINTERS* info)
    {
        const EXCEPTION_RECORD* record = info->ExceptionRecord;
        if (active_ != nullptr && record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2) {
            const auto length = static_cast<size_t>(record->ExceptionInformation[0]);
            const auto* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
            const std::lock_guard<std::mutex> lock(active_->mutex_);
            active_->lines_.emplace_back(text, length > 0 ? length - 1 : 0);
        }
        return EXCEPTION_CONTINUE_SEARCH;
    }

    static inline DebugOutputCapture* active_ = nullptr;
    PVOID handle_ = nullptr;
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};
