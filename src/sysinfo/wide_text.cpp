#include "sysinfo/wide_text.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cwctype>

namespace qev::sysinfo {
namespace {

std::wstring upper_case(const std::wstring& text)
{
    std::wstring result = text;
    for (wchar_t& c : result) {
        c = static_cast<wchar_t>(std::towupper(c));
    }
    return result;
}

}  // namespace

std::vector<std::wstring> SplitText(const std::wstring& text, wchar_t separator)
{
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        if (end == std::wstring::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
}

std::wstring TrimText(const std::wstring& text)
{
    size_t first = 0;
    while (first < text.size() && std::iswspace(text[first])) {
        ++first;
    }
    size_t last = text.size();
    while (last > first && std::iswspace(text[last - 1])) {
        --last;
    }
    return text.substr(first, last - first);
}

bool EqualsIgnoreCase(const std::wstring& left, const std::wstring& right)
{
    if (left.size() != right.size() || left.size() > INT_MAX) {
        return false;
    }
    return CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(),
                                static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;
}

bool ContainsIgnoreCase(const std::wstring& text, const std::wstring& part)
{
    return upper_case(text).find(upper_case(part)) != std::wstring::npos;
}

bool LessIgnoreCase::operator()(const std::wstring& left, const std::wstring& right) const
{
    const auto length = [](const std::wstring& text) {
        return static_cast<int>(std::min<size_t>(text.size(), INT_MAX));
    };
    return CompareStringOrdinal(left.c_str(), length(left), right.c_str(), length(right), TRUE) == CSTR_LESS_THAN;
}

}  // namespace qev::sysinfo
