#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qev::sysinfo::test {

// Registry keys a test creates under one root. Every key the test had to create is deleted again,
// with its subtree, when the seed goes out of scope; keys that existed before are left alone.
class RegistrySeed {
public:
    explicit RegistrySeed(HKEY root = HKEY_LOCAL_MACHINE) : root_(root) {}
    ~RegistrySeed();
    RegistrySeed(const RegistrySeed&) = delete;
    RegistrySeed& operator=(const RegistrySeed&) = delete;

    // Creates every missing key along path.
    void create(const std::wstring& path);
    void set_string(const std::wstring& path, const std::wstring& name, const std::wstring& text, DWORD type = REG_SZ);
    void set_dword(const std::wstring& path, const std::wstring& name, DWORD value);
    void set_raw(const std::wstring& path, const std::wstring& name, DWORD type, const void* data, DWORD size);
    // Deletes path with its subtree at the end too (for keys the code under test creates).
    void remove_at_end(const std::wstring& path) { created_tops_.push_back(path); }
    // Deletes path with its subtree now.
    void remove(const std::wstring& path);

private:
    HKEY root_;
    std::vector<std::wstring> created_tops_;
};

bool KeyExists(HKEY root, const std::wstring& path);

// Type and text of a string value; type 0 when it cannot be read.
struct StoredString {
    DWORD type = 0;
    std::wstring text;
};
StoredString ReadStoredString(HKEY root, const std::wstring& path, const std::wstring& name);

}  // namespace qev::sysinfo::test
