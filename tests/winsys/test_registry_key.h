#pragma once

#include "base/unique_handle.h"

#include <windows.h>

#include <string>

namespace qev::winsys::test {

// The type reported for a value that does not exist.
inline constexpr DWORD kNoValue = 0xFFFFFFFF;

// A scratch key HKEY_LOCAL_MACHINE\SOFTWARE\qevtest_<pid>_<leaf>, absent at the start and deleted
// with everything below it at the end.
class TestRegistryKey {
public:
    explicit TestRegistryKey(const std::wstring& leaf)
        : subkey_(L"SOFTWARE\\qevtest_" + std::to_wstring(GetCurrentProcessId()) + L"_" + leaf)
    {
        remove();
    }
    ~TestRegistryKey() { remove(); }
    TestRegistryKey(const TestRegistryKey&) = delete;
    TestRegistryKey& operator=(const TestRegistryKey&) = delete;

    const std::wstring& subkey() const { return subkey_; }
    std::wstring path() const { return L"HKEY_LOCAL_MACHINE\\" + subkey_; }
    std::wstring child(const std::wstring& relative) const { return subkey_ + L"\\" + relative; }

    // Creates the key (or a key below it) directly through the registry.
    bool create(const std::wstring& relative = std::wstring()) const
    {
        base::UniqueRegKey key;
        return RegCreateKeyExW(HKEY_LOCAL_MACHINE, name_of(relative).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                               key.put(), nullptr) == ERROR_SUCCESS;
    }

    bool exists(const std::wstring& relative = std::wstring()) const
    {
        base::UniqueRegKey key;
        return RegOpenKeyExW(HKEY_LOCAL_MACHINE, name_of(relative).c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
    }

    bool set(const std::wstring& name, DWORD type, const void* data, DWORD bytes) const
    {
        return RegSetKeyValueW(HKEY_LOCAL_MACHINE, subkey_.c_str(), name.c_str(), type, data, bytes) == ERROR_SUCCESS;
    }

    bool set_string(const std::wstring& name, const std::wstring& text, DWORD type = REG_SZ) const
    {
        return set(name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }

    bool set_dword(const std::wstring& name, DWORD value) const { return set(name, REG_DWORD, &value, sizeof(value)); }

    // The stored type of a value; kNoValue when it is missing.
    DWORD type_of(const std::wstring& name) const
    {
        DWORD type = REG_NONE;
        if (RegGetValueW(HKEY_LOCAL_MACHINE, subkey_.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr,
                         nullptr) != ERROR_SUCCESS) {
            return kNoValue;
        }
        return type;
    }

private:
    std::wstring name_of(const std::wstring& relative) const { return relative.empty() ? subkey_ : child(relative); }

    void remove() const
    {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, subkey_.c_str());
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, subkey_.c_str());
    }

    std::wstring subkey_;
};

}  // namespace qev::winsys::test
