#include <algorithm>
#include <regex>

#include "base/logging.h"
#include "winsys/environment_table.h"
#include "winsys/key_security.h"
#include "winsys/registry.h"
#include "base/unique_handle.h"

namespace qev::winsys {

namespace {

// REG_EXPAND_SZ when some %NAME% in the text names a variable of the process environment.
DWORD string_type_for(const std::wstring& text)
{
    static const std::wregex pattern(L"%([^%]+)%", std::regex_constants::ECMAScript);
    const EnvironmentTable& environment = EnvironmentTable::instance();
    for (std::wsregex_iterator match(text.begin(), text.end(), pattern), end; match != end; ++match) {
        if (environment.contains_ignoring_case((*match)[1].str())) {
            return REG_EXPAND_SZ;
        }
    }
    return REG_SZ;
}

// A missing key is created with its whole path; an existing one is repaired for writing.
bool prepare_key_for_write(const std::wstring& subkey)
{
    base::UniqueRegKey key;
    const LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, KEY_READ, key.put());
    if (status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND) {
        return create_key_path(subkey);
    }
    if (status != ERROR_SUCCESS) {
        return false;
    }
    key.reset();
    return take_ownership(subkey) && make_writable(subkey);
}

bool set_value(const std::wstring& subkey, const std::wstring& name, DWORD type, const void* data, DWORD bytes)
{
    if (!prepare_key_for_write(subkey)) {
        return false;
    }
    base::UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS) {
        return false;
    }
    return RegSetValueExW(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), bytes) == ERROR_SUCCESS;
}

bool key_exists_under_hklm(const std::wstring& subkey)
{
    base::UniqueRegKey key;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

std::vector<std::wstring> split_path(const std::wstring& subkey)
{
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (start <= subkey.size()) {
        const size_t end = std::min(subkey.find(L'\\', start), subkey.size());
        if (end > start) {
            parts.push_back(subkey.substr(start, end - start));
        }
        start = end + 1;
    }
    return parts;
}

}  // namespace

bool take_ownership(const std::wstring& subkey)
{
    return set_administrators_owner(HKEY_LOCAL_MACHINE, subkey).ok();
}

bool make_writable(const std::wstring& subkey)
{
    return grant_write_access(HKEY_LOCAL_MACHINE, subkey).ok();
}

bool write_string(const std::wstring& subkey, const std::wstring& name, const std::wstring& text)
{
    const DWORD type = string_type_for(text);
    const auto bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    return set_value(subkey, name, type, text.c_str(), bytes);
}

bool write_dword(const std::wstring& name, DWORD value)
{
    return set_value(kOwnSettingsSubkey, name, REG_DWORD, &value, sizeof(value));
}

bool create_key(const std::wstring& parent, const std::wstring& child)
{
    // Opened rather than named in the path, so that a missing parent fails instead of being created.
    const std::wstring parent_path =
        !parent.empty() && parent.back() == L'\\' ? parent.substr(0, parent.size() - 1) : parent;
    base::UniqueRegKey parent_key;
    if (!parent_path.empty() && RegOpenKeyExW(HKEY_LOCAL_MACHINE, parent_path.c_str(), 0, KEY_CREATE_SUB_KEY,
                                              parent_key.put()) != ERROR_SUCCESS) {
        return false;
    }
    const HKEY under = parent_path.empty() ? HKEY_LOCAL_MACHINE : parent_key.get();
    base::UniqueRegKey key;
    if (RegCreateKeyExW(under, child.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS) {
        base::log_wprintf(L"Failed to create key\n");
        return false;
    }
    return true;
}

bool create_key_path(const std::wstring& subkey)
{
    const std::vector<std::wstring> parts = split_path(subkey);
    if (parts.empty()) {
        return false;
    }
    std::wstring existing;
    bool creating = false;
    for (const std::wstring& part : parts) {
        std::wstring prefix = existing.empty() ? part : existing + L'\\' + part;
        if (!creating && !key_exists_under_hklm(prefix)) {
            creating = true;
        }
        if (creating && !create_key(existing, part)) {
            return false;
        }
        existing = std::move(prefix);
    }
    return true;
}

}  // namespace qev::winsys
