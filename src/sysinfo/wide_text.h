#pragma once

#include <string>
#include <vector>

namespace qev::sysinfo {

// Splits text at every separator; empty parts are kept ("a--b" gives three parts, "" gives one).
std::vector<std::wstring> SplitText(const std::wstring& text, wchar_t separator);

// Text with white space removed from both ends.
std::wstring TrimText(const std::wstring& text);

// Case-insensitive (ordinal) comparisons, as used for ids, CLSIDs and INF keywords.
bool EqualsIgnoreCase(const std::wstring& left, const std::wstring& right);
bool ContainsIgnoreCase(const std::wstring& text, const std::wstring& part);

// Orders texts the way EqualsIgnoreCase compares them (a key for maps of registry value names).
struct LessIgnoreCase {
    bool operator()(const std::wstring& left, const std::wstring& right) const;
};

}  // namespace qev::sysinfo
