#include "registry_seed.h"

#include "base/unique_handle.h"

#include <gtest/gtest.h>

namespace qev::sysinfo::test {

RegistrySeed::~RegistrySeed()
{
    for (auto it = created_tops_.rbegin(); it != created_tops_.rend(); ++it) {
        remove(*it);
    }
}

void RegistrySeed::create(const std::wstring& path)
{
    // Remember the topmost missing key: deleting it removes everything created below.
    for (size_t end = path.find(L'\\');; end = path.find(L'\\', end + 1)) {
        const std::wstring prefix = path.substr(0, end);
        if (!KeyExists(root_, prefix)) {
            created_tops_.push_back(prefix);
            break;
        }
        if (end == std::wstring::npos) {
            return;
        }
    }
    base::UniqueRegKey key;
    EXPECT_EQ(RegCreateKeyExW(root_, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
}

void RegistrySeed::set_string(const std::wstring& path, const std::wstring& name, const std::wstring& text, DWORD type)
{
    set_raw(path, name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void RegistrySeed::set_dword(const std::wstring& path, const std::wstring& name, DWORD value)
{
    set_raw(path, name, REG_DWORD, &value, sizeof(value));
}

void RegistrySeed::set_raw(const std::wstring& path, const std::wstring& name, DWORD type, const void* data, DWORD size)
{
    create(path);
    ASSERT_EQ(RegSetKeyValueW(root_, path.c_str(), name.c_str(), type, data, size), ERROR_SUCCESS);
}

void RegistrySeed::remove(const std::wstring& path)
{
    RegDeleteTreeW(root_, path.c_str());
    RegDeleteKeyW(root_, path.c_str());
}

bool KeyExists(HKEY root, const std::wstring& path)
{
    base::UniqueRegKey key;
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

StoredString ReadStoredString(HKEY root, const std::wstring& path, const std::wstring& name)
{
    StoredString stored;
    wchar_t text[1024] = {};
    DWORD size = sizeof(text);
    const DWORD flags = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
    if (RegGetValueW(root, path.c_str(), name.c_str(), flags, &stored.type, text, &size) != ERROR_SUCCESS) {
        stored.type = 0;
        return stored;
    }
    stored.text = text;
    return stored;
}

}  // namespace qev::sysinfo::test
