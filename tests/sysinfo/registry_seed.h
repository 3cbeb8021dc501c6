#pragma once

#include "base/unique_handle.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace qev::sysinfo::test {

inline bool KeyExists(HKEY root, const std::wstring& path)
{
    base::UniqueRegKey key;
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

// Registry keys a test creates under HKEY_LOCAL_MACHINE. Every key the test had to create is deleted
// again, with its subtree, when the seed goes out of scope; keys that existed before are left alone.
class RegistrySeed {
public:
    RegistrySeed() = default;
    ~RegistrySeed()
    {
        for (auto it = created_tops_.rbegin(); it != created_tops_.rend(); ++it) {
            remove(*it);
        }
    }
    RegistrySeed(const RegistrySeed&) = delete;
    RegistrySeed& operator=(const RegistrySeed&) = delete;

    // Creates every missing key along path.
    void create(const std::wstring& path)
    {
        // Remember the topmost missing key: deleting it removes everything created below.
        for (size_t end = path.find(L'\\');; end = path.find(L'\\', end + 1)) {
            const std::wstring prefix = path.substr(0, end);
            if (!KeyExists(HKEY_LOCAL_MACHINE, prefix)) {
                created_tops_.push_back(prefix);
                break;
            }
            if (end == std::wstring::npos) {
                return;
            }
        }
        base::UniqueRegKey key;
        EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                                  nullptr),
                  ERROR_SUCCESS);
    }
    void set_string(const std::wstring& path, const std::wstring& name, const std::wstring& text, DWORD type = REG_SZ)
    {
        set(path, name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    void set_dword(const std::wstring& path, const std::wstring& name, DWORD value)
    {
        set(path, name, REG_DWORD, &value, sizeof(value));
    }
    // Deletes path with its subtree at the end too (for keys the code under test creates).
    void remove_at_end(const std::wstring& path) { created_tops_.push_back(path); }
    // Deletes path with its subtree now.
    void remove(const std::wstring& path)
    {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, path.c_str());
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str());
    }

private:
    void set(const std::wstring& path, const std::wstring& name, DWORD type, const void* data, DWORD size)
    {
        create(path);
        ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, path.c_str(), name.c_str(), type, data, size), ERROR_SUCCESS);
    }

    std::vector<std::wstring> created_tops_;
};

}  // namespace qev::sysinfo::test
