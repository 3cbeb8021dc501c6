#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qevsim {

// One registry value as stored: its type and raw bytes.
struct RegValue {
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<std::uint8_t> data;

    bool operator==(const RegValue& other) const { return type == other.type && data == other.data; }
};

// An open registry key on the 64-bit view; move-only, closed on destruction.
class RegKey {
public:
    RegKey() noexcept = default;
    ~RegKey();
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    RegKey(RegKey&& other) noexcept;
    RegKey& operator=(RegKey&& other) noexcept;

    // Empty key and the error in *error when the key can't be opened or created.
    static RegKey open(HKEY root, const std::wstring& path, REGSAM access, LONG* error = nullptr);
    static RegKey create(HKEY root, const std::wstring& path, REGSAM access, LONG* error = nullptr);
    // Creates a key that did not exist; empty if it existed already or can't be made.
    static RegKey createNew(HKEY root, const std::wstring& path, REGSAM access);

    explicit operator bool() const noexcept { return key_ != nullptr; }
    HKEY get() const noexcept { return key_; }

    std::vector<std::wstring> subkeys() const;
    std::vector<RegValue> values() const;
    std::optional<RegValue> value(const std::wstring& name) const;
    std::optional<DWORD> dword(const std::wstring& name) const;
    std::optional<std::wstring> string(const std::wstring& name) const;

    LONG setValue(const std::wstring& name, DWORD type, const std::vector<std::uint8_t>& data) const;
    LONG setDword(const std::wstring& name, DWORD value) const;
    LONG setString(const std::wstring& name, const std::wstring& value) const;
    LONG deleteValue(const std::wstring& name) const;
    LONG deleteSubtree(const std::wstring& name) const;

private:
    explicit RegKey(HKEY key) noexcept : key_(key) {}
    HKEY key_ = nullptr;
};

// Helpers on whole paths under a root.
bool keyExists(HKEY root, const std::wstring& path);
LONG deleteTree(HKEY root, const std::wstring& path);
std::wstring toLower(std::wstring text);
bool equalsNoCase(const std::wstring& a, const std::wstring& b);

// Bytes of a wide string with its terminating NUL (REG_SZ form).
std::vector<std::uint8_t> stringBytes(const std::wstring& text);
// Text of REG_SZ/REG_EXPAND_SZ bytes, cut at the first NUL.
std::wstring bytesToString(const std::vector<std::uint8_t>& data);
// REG_MULTI_SZ form and back.
std::vector<std::uint8_t> multiStringBytes(const std::vector<std::wstring>& items);
std::vector<std::wstring> bytesToMultiString(const std::vector<std::uint8_t>& data);

}  // namespace qevsim
