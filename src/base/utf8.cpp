#include "base/utf8.h"

#include <climits>

namespace qev::base {

std::string utf8_from_wide(std::wstring_view text)
{
    if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) {
        return {};
    }
    const int length = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) {
        return {};
    }
    std::string result(static_cast<size_t>(needed), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, result.data(), needed, nullptr, nullptr);
    return result;
}

std::wstring wide_from_utf8(std::string_view text)
{
    return wide_from_code_page(text, CP_UTF8, 0).value_or(std::wstring());
}

std::optional<std::wstring> wide_from_code_page(std::string_view bytes, UINT code_page, DWORD flags)
{
    if (bytes.empty()) {
        return std::wstring();
    }
    if (bytes.size() > static_cast<size_t>(INT_MAX)) {
        return std::nullopt;
    }
    const int length = static_cast<int>(bytes.size());
    const int needed = MultiByteToWideChar(code_page, flags, bytes.data(), length, nullptr, 0);
    if (needed <= 0) {
        return std::nullopt;
    }
    std::wstring text(static_cast<size_t>(needed), L'\0');
    MultiByteToWideChar(code_page, flags, bytes.data(), length, text.data(), needed);
    return text;
}

}  // namespace qev::base
