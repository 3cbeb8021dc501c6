#include "debug_output_capture.h"

#include <algorithm>

#ifndef DBG_PRINTEXCEPTION_WIDE_C
#define DBG_PRINTEXCEPTION_WIDE_C 0x4001000A
#endif

DebugOutputCapture::DebugOutputCapture()
{
    active_ = this;
    handle_ = AddVectoredExceptionHandler(1, &DebugOutputCapture::handler);
}

DebugOutputCapture::~DebugOutputCapture()
{
    RemoveVectoredExceptionHandler(handle_);
    active_ = nullptr;
}

std::vector<std::wstring> DebugOutputCapture::wide_lines() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
}

std::vector<std::string> DebugOutputCapture::lines() const
{
    std::vector<std::string> result;
    for (const auto& line : wide_lines()) {
        result.emplace_back(line.begin(), line.end());
    }
    return result;
}

bool DebugOutputCapture::contains(const std::wstring& line) const
{
    const auto all = wide_lines();
    return std::find(all.begin(), all.end(), line) != all.end();
}

bool DebugOutputCapture::contains(const std::string& line) const
{
    return count(line) > 0;
}

size_t DebugOutputCapture::count(const std::string& line) const
{
    const auto all = lines();
    return static_cast<size_t>(std::count(all.begin(), all.end(), line));
}

void DebugOutputCapture::add(std::wstring line)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back(std::move(line));
}

LONG CALLBACK DebugOutputCapture::handler(EXCEPTION_POINTERS* info)
{
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    DebugOutputCapture* const self = active_;
    if (self == nullptr || record->NumberParameters < 2) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    const auto length = static_cast<size_t>(record->ExceptionInformation[0]);
    const size_t characters = length > 0 ? length - 1 : 0;
    if (record->ExceptionCode == DBG_PRINTEXCEPTION_C) {
        const auto* text = reinterpret_cast<const unsigned char*>(record->ExceptionInformation[1]);
        self->add(std::wstring(text, text + characters));
    } else if (record->ExceptionCode == DBG_PRINTEXCEPTION_WIDE_C) {
        const auto* text = reinterpret_cast<const wchar_t*>(record->ExceptionInformation[1]);
        self->add(std::wstring(text, characters));
    }
    return EXCEPTION_CONTINUE_SEARCH;
}
