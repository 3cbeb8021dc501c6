#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "winsys/key_security.h"
#include "winsys/registry_exception.h"

// Registry access by one full path "ROOT\subkey" (e.g. "HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft").
// Failures throw RegistryException unless stated otherwise.
namespace qev::winsys::regpath {

using qev::winsys::RegistryException;

struct KeyPath {
    HKEY root = nullptr;
    std::wstring subkey;
};

// Splits at the first backslash; the root name is one of the five predefined names, any case.
KeyPath split_key_path(const std::wstring& path);

void create_key(const std::wstring& path);
// A missing value is reported on the wide standard output and is not an error.
void delete_value(const std::wstring& path, const std::wstring& name);
std::vector<std::wstring> enumerate_subkeys(const std::wstring& path);
// Never throw; a malformed path does not exist.
bool key_exists(const std::wstring& path) noexcept;
bool value_exists(const std::wstring& path, const std::wstring& name) noexcept;

// Adds entries to the key's DACL: full access for Administrators and, unless told otherwise, read
// and value writes for Users.
void ensure_writability(const std::wstring& path, WriteAccessFor who = WriteAccessFor::administrators_and_users);
// Makes BUILTIN\Administrators the owner of the key.
void take_ownership(const std::wstring& path);

// REG_SZ or REG_EXPAND_SZ, unexpanded. A missing value is reported on the wide standard output
// and answered with the text "ERROR_FILE_NOT_FOUND".
std::wstring read_string(const std::wstring& path, const std::wstring& name);
std::vector<std::wstring> read_multi_string(const std::wstring& path, const std::wstring& name);
DWORD read_dword(const std::wstring& path, const std::wstring& name);

// Writes REG_SZ. The key must exist.
void write_string(const std::wstring& path, const std::wstring& name, const std::wstring& text);
// Writes REG_MULTI_SZ; an empty string or an embedded NUL cannot be stored in a list and is refused.
void write_multi_string(const std::wstring& path, const std::wstring& name, const std::vector<std::wstring>& list);
void write_dword(const std::wstring& path, const std::wstring& name, DWORD value);

// Copies the whole tree of `source` into `destination`, creating either key where missing.
void copy_tree(const std::wstring& destination, const std::wstring& source);

}  // namespace qev::winsys::regpath
