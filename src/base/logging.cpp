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

// Measures the text exactly with a counting pass, formats it into a buffer of that size and hands
// it to `output`. A format the counting pass rejects gives nothing.
template <typename Char, typename Count, typename Print, typename Output>
void format_and_output(const std::basic_string<Char>& format, va_list args, Count count, Print print, Output output)
{
    va_list counting;
    va_copy(counting, args);
    const int length = count(format.c_str(), counting);
    va_end(counting);
    if (length < 0) {
        return;
    }
    std::vector<Char> buffer(static_cast<size_t>(length) + 1);
    print(buffer.data(), buffer.size(), format.c_str(), args);
    output(buffer.data());
}

}  // namespace

void log_printf(const char* format, ...)
{
    if (format == nullptr) {
        return;
    }
    // The prefix joins the format before formatting, so it is never interpreted.
    va_list args;
    va_start(args, format);
    format_and_output(
        std::string(kPrefix) + format, args,
        [](const char* text, va_list values) { return std::vsnprintf(nullptr, 0, text, values); },
        [](char* buffer, size_t size, const char* text, va_list values) { std::vsnprintf(buffer, size, text, values); },
        [](const char* line) { OutputDebugStringA(line); });
    va_end(args);
}

void log_wprintf(const wchar_t* format, ...)
{
    if (format == nullptr) {
        return;
    }
    // The CRT's _vscwprintf/_vsnwprintf keep the Windows meaning of %s (a wide string) in wide formats.
    va_list args;
    va_start(args, format);
    format_and_output(
        std::wstring(kWidePrefix) + format, args,
        [](const wchar_t* text, va_list values) { return _vscwprintf(text, values); },
        [](wchar_t* buffer, size_t size, const wchar_t* text, va_list values) {
            _vsnwprintf(buffer, size, text, values);
        },
        [](const wchar_t* line) { OutputDebugStringW(line); });
    va_end(args);
}

}  // namespace qev::base
