#include "log_capture.h"

#include <algorithm>

namespace qev::winaudio::test {

namespace {

#ifndef DBG_PRINTEXCEPTION_WIDE_C
#define DBG_PRINTEXCEPTION_WIDE_C 0x4001000A
#endif

LogCapture* g_active = nullptr;

}  // namespace

LogCapture::LogCapture()
{
    g_active = this;
    handle_ = AddVectoredExceptionHandler(1, &LogCapture::handler);
}

LogCapture::~LogCapture()
{
    RemoveVectoredExceptionHandler(handle_);
    g_active = nullptr;
}

LONG CALLBACK LogCapture::handler(EXCEPTION_POINTERS* info)
{
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    LogCapture* active = g_active;
    if (active == nullptr || record->NumberParameters < 2) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    const auto length = static_cast<size_t>(record->ExceptionInformation[0]);
    const size_t characters = length > 0 ? length - 1 : 0;
    if (record->ExceptionCode == DBG_PRINTEXCEPTION_WIDE_C) {
        active->add(std::wstring(reinterpret_cast<const wchar_t*>(record->ExceptionInformation[1]), characters), true);
    } else if (record->ExceptionCode == DBG_PRINTEXCEPTION_C) {
        const std::string narrow(reinterpret_cast<const char*>(record->ExceptionInformation[1]), characters);
        active->add(std::wstring(narrow.begin(), narrow.end()), false);
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

void LogCapture::add(std::wstring line, bool wide)
{
    std::lock_guard<std::mutex> lock(mutex_);
    (wide ? wide_ : narrow_).push_back(std::move(line));
}

// A wide line may also arrive converted to narrow text; when wide lines arrive, they are the record.
std::vector<std::wstring> LogCapture::lines() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return wide_.empty() ? narrow_ : wide_;
}

std::size_t LogCapture::count(const std::wstring& text) const
{
    const std::vector<std::wstring> all = lines();
    return static_cast<std::size_t>(std::count(all.begin(), all.end(), L"[qev] " + text));
}

}  // namespace qev::winaudio::test
