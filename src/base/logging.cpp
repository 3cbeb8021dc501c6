#include "base/logging.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

namespace qev::base {
namespace {

constexpr char kPrefix[] = "[qev] ";
constexpr wchar_t kWidePrefix[] = L"[qev] ";

}  // namespace

void log_printf(const char* format, ...)
{
    if (format == nullptr) {
        return;
    }
    // The prefix joins the format before formatting, so it is never interpreted.
    const std::string full = std::string(kPrefix) + format;
    va_list args;
    va_start(args, format);
    va_list counting;
    va_copy(counting, args);
    const int length = std::vsnprintf(nullptr, 0, full.c_str(), counting);
    va_end(counting);
    if (length < 0) {
        va_end(args);
        return;
    }
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), full.c_str(), args);
    va_end(args);
    OutputDebugStringA(buffer.data());
}

void log_wprintf(const wchar_t* format, ...)
{
    if (format == nullptr) {
        return;
    }
    // The CRT's _vscwprintf/_vsnwprintf keep the Windows meaning of %s (a wide string) in wide formats.
    const std::wstring full = std::wstring(kWidePrefix) + format;
    va_list args;
    va_start(args, format);
    va_list counting;
    va_copy(counting, args);
    const int length = _vscwprintf(full.c_str(), counting);
    va_end(counting);
    if (length < 0) {
        va_end(args);
        return;
    }
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    _vsnwprintf(buffer.data(), buffer.size(), full.c_str(), args);
    va_end(args);
    OutputDebugStringW(buffer.data());
}

}  // namespace qev::base
