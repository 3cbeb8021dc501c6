#pragma once

#include <map>
#include <string>

namespace qev::winsys {

// The process environment as a map from variable name to value, split at each entry's first "=".
class EnvironmentTable {
public:
    // Built once from GetEnvironmentStringsW on first use; never refreshed.
    static const EnvironmentTable& instance();

    // Parses an environment block: NUL-terminated "NAME=value" entries ending with an empty one.
    static EnvironmentTable from_block(const wchar_t* block);

    // True when a variable of this name exists, compared ignoring case.
    bool contains_ignoring_case(const std::wstring& name) const;

    const std::map<std::wstring, std::wstring>& variables() const { return variables_; }

private:
    std::map<std::wstring, std::wstring> variables_;
};

}  // namespace qev::winsys
