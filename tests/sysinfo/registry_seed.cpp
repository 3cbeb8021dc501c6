#include "registry_seed.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qev::sysinfo::test {
namespace {

std::vector<std::wstring> components(const std::wstring& path)
{
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = std::min(path.find(L'\\', start), path.size());
        parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

class OpenKey {
public:
    OpenKey(HKEY root, const std::wstring& path)
    {
        const LSTATUS status =
            RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
        EXPECT_EQ(status, ERROR_SUCCESS) << "cannot create key for the test";
        if (status != ERROR_SUCCESS) {
            key_ = nullptr;
        }
    }
    ~OpenKey()
    {
        if (key_ != nullptr) {
            RegCloseKey(key_);
        }
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

}  // namespace

RegistrySeed::~RegistrySeed()
{
    for (auto it = created_tops_.rbegin(); it != created_tops_.rend(); ++it) {
        RegDeleteTreeW(root_, it->c_str());
        RegDeleteKeyW(root_, it->c_str());
    }
}

void RegistrySeed::create(const std::wstring& path)
{
    std::wstring prefix;
    for (const std::wstring& part : components(path)) {
        prefix = prefix.empty() ? part : prefix + L"\\" + part;
        if (!KeyExists(root_, prefix)) {
            created_tops_.push_back(prefix);
            OpenKey key(root_, path);
            return;
        }
    }
}

void RegistrySeed::set_string(const std::wstring& path, const std::wstring& name, const std::wstring& text, DWORD type)
{
    set_raw(path, name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void RegistrySeed::set_multi_string(const std::wstring& path, const std::wstring& name,
                                    const std::vector<std::wstring>& items)
{
    std::wstring data;
    for (const std::wstring& item : items) {
        data += item;
        data.push_back(L'\0');
    }
    data.push_back(L'\0');
    set_raw(path, name, REG_MULTI_SZ, data.data(), static_cast<DWORD>(data.size() * sizeof(wchar_t)));
}

void RegistrySeed::set_dword(const std::wstring& path, const std::wstring& name, DWORD value)
{
    set_raw(path, name, REG_DWORD, &value, sizeof(value));
}

void RegistrySeed::set_raw(const std::wstring& path, const std::wstring& name, DWORD type, const void* data, DWORD size)
{
    create(path);
    OpenKey key(root_, path);
    ASSERT_NE(key.get(), nullptr);
    ASSERT_EQ(RegSetValueExW(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
}

void RegistrySeed::remove(const std::wstring& path)
{
    RegDeleteTreeW(root_, path.c_str());
    RegDeleteKeyW(root_, path.c_str());
}

bool KeyExists(HKEY root, const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

StoredString ReadStoredString(HKEY root, const std::wstring& path, const std::wstring& name)
{
    StoredString stored;
    DWORD size = 0;
    DWORD type = 0;
    const DWORD flags = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
    if (RegGetValueW(root, path.c_str(), name.c_str(), flags, &type, nullptr, &size) != ERROR_SUCCESS) {
        return stored;
    }
    std::wstring text(size / sizeof(wchar_t), L'\0');
    if (RegGetValueW(root, path.c_str(), name.c_str(), flags, &type, text.data(), &size) != ERROR_SUCCESS) {
        return stored;
    }
    text.resize(wcsnlen(text.c_str(), text.size()));
    stored.type = type;
    stored.text = text;
    return stored;
}

}  // namespace qev::sysinfo::test
