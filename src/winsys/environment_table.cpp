#include "winsys/environment_table.h"

#include <windows.h>

#include <cwchar>

#include "base/unique_handle.h"

namespace qev::winsys {

const EnvironmentTable& EnvironmentTable::instance()
{
    static const EnvironmentTable table = [] {
        const base::UniqueHandle<wchar_t*, &::FreeEnvironmentStringsW> block(GetEnvironmentStringsW());
        return from_block(block.get());
    }();
    return table;
}

EnvironmentTable EnvironmentTable::from_block(const wchar_t* block)
{
    EnvironmentTable table;
    if (block == nullptr) {
        return table;
    }
    for (const wchar_t* entry = block; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
        const std::wstring text(entry);
        const size_t split = text.find(L'=');
        if (split == std::wstring::npos) {
            table.variables_.emplace(text, std::wstring());
        } else {
            table.variables_.emplace(text.substr(0, split), text.substr(split + 1));
        }
    }
    return table;
}

bool EnvironmentTable::contains_ignoring_case(const std::wstring& name) const
{
    for (const auto& variable : variables_) {
        if (_wcsicmp(variable.first.c_str(), name.c_str()) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace qev::winsys
