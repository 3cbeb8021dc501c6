#include "winsys/registry_path.h"

#include <cwctype>
#include <iostream>

#include "winsys/key_security.h"
#include "winsys/registry.h"
#include "winsys/registry_value_io.h"
#include "base/unique_handle.h"

namespace qev::winsys::regpath {

namespace {

constexpr wchar_t kCreatePrefix[] = L"Error while creating registry key ";
constexpr wchar_t kDeletePrefix[] = L"Error while deleting registry value ";
constexpr wchar_t kEnumeratePrefix[] = L"Error while enumerating sub keys of registry key ";
constexpr wchar_t kReadPrefix[] = L"Error while reading registry value ";
constexpr wchar_t kWritePrefix[] = L"Error while writing to registry value ";
constexpr wchar_t kCopyPrefix[] = L"Error while copying registry key ";
constexpr wchar_t kGetSecurityPrefix[] = L"Error while getting security information for registry key ";
constexpr wchar_t kSetSecurityPrefix[] = L"Error while setting security information for registry key ";
constexpr wchar_t kMissingValueLine[] = L"Cannot find this value. Maybe it was already killed!\n";
constexpr wchar_t kMissingValueAnswer[] = L"ERROR_FILE_NOT_FOUND";

std::wstring upper_case(std::wstring text)
{
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(std::towupper(c));
    }
    return text;
}

// Opens the key for the operation; a failure throws with the operation's prefix.
base::UniqueRegKey open_key(const std::wstring& path, REGSAM access, const wchar_t* prefix)
{
    const KeyPath key_path = split_key_path(path);
    base::UniqueRegKey key;
    const LSTATUS status = RegOpenKeyExW(key_path.root, key_path.subkey.c_str(), 0, access, key.put());
    if (status != ERROR_SUCCESS) {
        throw RegistryException::with_error(prefix, path, static_cast<DWORD>(status));
    }
    return key;
}

void check(LSTATUS status, const wchar_t* prefix, const std::wstring& path)
{
    if (status != ERROR_SUCCESS) {
        throw RegistryException::with_error(prefix, path, static_cast<DWORD>(status));
    }
}

RegistryException wrong_type(const std::wstring& path, const std::wstring& name)
{
    return RegistryException(L"Registry value " + path + L"\\" + name + L" has wrong type");
}

// Opens the key, creating it where missing, with `access` on the 64-bit view.
base::UniqueRegKey create_or_open(const std::wstring& path, REGSAM access)
{
    const KeyPath key_path = split_key_path(path);
    base::UniqueRegKey key;
    check(RegCreateKeyExW(key_path.root, key_path.subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          access | KEY_WOW64_64KEY, nullptr, key.put(), nullptr),
          kCreatePrefix, path);
    return key;
}

void report_missing_value()
{
    std::wcout << kMissingValueLine << std::flush;
}

// The type of an existing value; a missing one is reported and yields false.
bool existing_value_type(HKEY key, const std::wstring& path, const std::wstring& name, DWORD& type)
{
    const LSTATUS status = query_value_type(key, name, type);
    if (status == ERROR_FILE_NOT_FOUND) {
        return false;
    }
    check(status, kReadPrefix, path);
    return true;
}

void set_value(const std::wstring& path, const std::wstring& name, DWORD type, const void* data, size_t bytes)
{
    const base::UniqueRegKey key = open_key(path, KEY_SET_VALUE, kWritePrefix);
    check(RegSetValueExW(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(bytes)),
          kWritePrefix, path);
}

[[noreturn]] void throw_writability_failure(const SecurityOutcome& outcome, const std::wstring& path)
{
    switch (outcome.failed_step) {
    case SecurityStep::allocate_and_initialize_sid:
        throw RegistryException(L"Error in AllocateAndInitializeSid while ensuring writability");
    case SecurityStep::get_security_descriptor_dacl:
        throw RegistryException(L"Error in GetSecurityDescriptorDacl while ensuring writability");
    case SecurityStep::set_entries_in_acl:
        throw RegistryException(L"Error in SetEntriesInAcl while ensuring writability");
    case SecurityStep::local_alloc:
        throw RegistryException(L"Error in LocalAlloc while ensuring writability");
    case SecurityStep::initialize_security_descriptor:
        throw RegistryException(L"Error in InitializeSecurityDescriptor while ensuring writability");
    case SecurityStep::set_security_descriptor_dacl:
        throw RegistryException(L"Error in SetSecurityDescriptorDacl while ensuring writability");
    case SecurityStep::set_key_security:
        throw RegistryException::with_error(kSetSecurityPrefix, path, outcome.error);
    default:
        throw RegistryException::with_error(kGetSecurityPrefix, path, outcome.error);
    }
}

[[noreturn]] void throw_ownership_failure(const SecurityOutcome& outcome, const std::wstring& path)
{
    switch (outcome.failed_step) {
    case SecurityStep::open_process_token:
        throw RegistryException(L"Error in OpenProcessToken while taking ownership");
    case SecurityStep::lookup_privilege_value:
        throw RegistryException(L"Error in LookupPrivilegeValue while taking ownership");
    case SecurityStep::adjust_token_privileges:
        throw RegistryException(L"Error in AdjustTokenPrivileges while taking ownership");
    case SecurityStep::set_privilege:
        throw RegistryException(L"Error in SetPrivilege while taking ownership");
    case SecurityStep::allocate_and_initialize_sid:
        throw RegistryException(L"Error in AllocateAndInitializeSid while taking ownership");
    case SecurityStep::initialize_security_descriptor:
        throw RegistryException(L"Error in InitializeSecurityDescriptor while taking ownership");
    case SecurityStep::set_security_descriptor_owner:
        throw RegistryException(L"Error in SetSecurityDescriptorOwner while taking ownership");
    default:
        throw RegistryException::with_error(kSetSecurityPrefix, path, outcome.error);
    }
}

}  // namespace

KeyPath split_key_path(const std::wstring& path)
{
    const size_t separator = path.find(L'\\');
    if (separator == std::wstring::npos) {
        throw RegistryException(L"Key " + path + L" has invalid format");
    }
    const std::wstring root_name = path.substr(0, separator);
    const HKEY root = root_key_from_name(upper_case(root_name));
    if (root == nullptr) {
        throw RegistryException(L"Unknown root key " + root_name);
    }
    return KeyPath{root, path.substr(separator + 1)};
}

void create_key(const std::wstring& path)
{
    create_or_open(path, KEY_WRITE);
}

void delete_value(const std::wstring& path, const std::wstring& name)
{
    const base::UniqueRegKey key = open_key(path, KEY_SET_VALUE, kDeletePrefix);
    const LSTATUS status = RegDeleteValueW(key.get(), name.c_str());
    if (status == ERROR_FILE_NOT_FOUND) {
        report_missing_value();
        return;
    }
    check(status, kDeletePrefix, path);
}

std::vector<std::wstring> enumerate_subkeys(const std::wstring& path)
{
    const base::UniqueRegKey key = open_key(path, KEY_READ, kEnumeratePrefix);
    std::vector<std::wstring> names;
    check(list_subkey_names(key.get(), OnEntryError::fail, names), kEnumeratePrefix, path);
    return names;
}

bool key_exists(const std::wstring& path) noexcept
{
    try {
        const KeyPath key_path = split_key_path(path);
        base::UniqueRegKey key;
        return RegOpenKeyExW(key_path.root, key_path.subkey.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
    } catch (...) {
        return false;
    }
}

bool value_exists(const std::wstring& path, const std::wstring& name) noexcept
{
    try {
        const KeyPath key_path = split_key_path(path);
        base::UniqueRegKey key;
        DWORD type = REG_NONE;
        return RegOpenKeyExW(key_path.root, key_path.subkey.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS &&
               query_value_type(key.get(), name, type) == ERROR_SUCCESS;
    } catch (...) {
        return false;
    }
}

void ensure_writability(const std::wstring& path, WriteAccessFor who)
{
    const KeyPath key_path = split_key_path(path);
    const SecurityOutcome outcome = grant_write_access(key_path.root, key_path.subkey, who);
    if (!outcome.ok()) {
        throw_writability_failure(outcome, path);
    }
}

void take_ownership(const std::wstring& path)
{
    const KeyPath key_path = split_key_path(path);
    const SecurityOutcome outcome = set_administrators_owner(key_path.root, key_path.subkey);
    if (!outcome.ok()) {
        throw_ownership_failure(outcome, path);
    }
}

std::wstring read_string(const std::wstring& path, const std::wstring& name)
{
    const base::UniqueRegKey key = open_key(path, KEY_READ, kReadPrefix);
    DWORD type = REG_NONE;
    if (!existing_value_type(key.get(), path, name, type)) {
        report_missing_value();
        return kMissingValueAnswer;
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        throw wrong_type(path, name);
    }
    std::wstring text;
    check(get_string_value(key.get(), name, type, text), kReadPrefix, path);
    return text;
}

std::vector<std::wstring> read_multi_string(const std::wstring& path, const std::wstring& name)
{
    const base::UniqueRegKey key = open_key(path, KEY_READ, kReadPrefix);
    DWORD type = REG_NONE;
    check(query_value_type(key.get(), name, type), kReadPrefix, path);
    if (type != REG_MULTI_SZ) {
        throw wrong_type(path, name);
    }
    std::vector<std::wstring> list;
    check(get_multi_string_value(key.get(), name, list), kReadPrefix, path);
    return list;
}

DWORD read_dword(const std::wstring& path, const std::wstring& name)
{
    const base::UniqueRegKey key = open_key(path, KEY_READ, kReadPrefix);
    DWORD type = REG_NONE;
    check(query_value_type(key.get(), name, type), kReadPrefix, path);
    if (type != REG_DWORD) {
        throw wrong_type(path, name);
    }
    DWORD value = 0;
    check(get_dword_value(key.get(), name, value), kReadPrefix, path);
    return value;
}

void write_string(const std::wstring& path, const std::wstring& name, const std::wstring& text)
{
    set_value(path, name, REG_SZ, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

void write_multi_string(const std::wstring& path, const std::wstring& name, const std::vector<std::wstring>& list)
{
    std::wstring data;
    for (const std::wstring& item : list) {
        if (item.empty() || item.find(L'\0') != std::wstring::npos) {
            throw RegistryException(L"Registry value " + path + L"\\" + name +
                                    L" cannot hold an empty string or a NUL in a list");
        }
        data += item;
        data += L'\0';
    }
    data += L'\0';
    if (list.empty()) {
        data += L'\0';
    }
    set_value(path, name, REG_MULTI_SZ, data.data(), data.size() * sizeof(wchar_t));
}

void write_dword(const std::wstring& path, const std::wstring& name, DWORD value)
{
    set_value(path, name, REG_DWORD, &value, sizeof(value));
}

void copy_tree(const std::wstring& destination, const std::wstring& source)
{
    const base::UniqueRegKey to = create_or_open(destination, KEY_ALL_ACCESS);
    const base::UniqueRegKey from = create_or_open(source, KEY_ALL_ACCESS);
    check(RegCopyTreeW(from.get(), nullptr, to.get()), kCopyPrefix, source);
}

}  // namespace qev::winsys::regpath
