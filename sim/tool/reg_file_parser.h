#pragma once

#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace qevsim {

// One step of a registry script.
struct RegOperation {
    enum class Kind { CreateKey, DeleteKey, SetValue, DeleteValue };
    Kind kind = Kind::CreateKey;
    HKEY root = HKEY_LOCAL_MACHINE;
    std::wstring path;
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<std::uint8_t> data;
};

// A parse error with the line it was found on.
class RegFileError : public std::runtime_error {
public:
    RegFileError(int line, const std::string& what);
};

// Reads the .reg format (as regedit writes it: "[key]", "[-key]", "name"="text", dword:,
// hex:, hex(type):, "name"=-, @=, line continuation with "\", ";" comments), plus two short
// forms for machine files: multi:"a","b" (REG_MULTI_SZ) and i4:-5 (a VT_I4 property value).
// The whole text is parsed before anything is applied.
class RegFileParser {
public:
    static std::vector<RegOperation> parse(const std::wstring& text);
    // Text of a file in UTF-16 (with BOM) or UTF-8; throws RegFileError(0, ...) if unreadable.
    static std::wstring readFile(const std::wstring& path);
};

}  // namespace qevsim
