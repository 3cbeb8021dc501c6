#pragma once

#include <windows.h>

#include <string>
#include <variant>
#include <vector>

// Registry access with bool results; failures are logged. Writes go to HKEY_LOCAL_MACHINE and repair
// ownership and DACL of an existing key first.
namespace qev::winsys {

// The program's own settings key under HKEY_LOCAL_MACHINE.
inline constexpr wchar_t kOwnSettingsSubkey[] = L"SYSTEM\\CurrentControlSet\\Control\\vestaRion";
// The same key as one full path.
inline constexpr wchar_t kOwnSettingsKey[] = L"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\vestaRion";

// A value as read by read_value: REG_MULTI_SZ, REG_SZ/REG_EXPAND_SZ (unexpanded), REG_DWORD.
using RegistryValue = std::variant<std::vector<std::wstring>, std::wstring, DWORD>;

// Makes BUILTIN\Administrators the owner of HKEY_LOCAL_MACHINE\subkey.
bool take_ownership(const std::wstring& subkey);
// Adds entries to the DACL of HKEY_LOCAL_MACHINE\subkey: full access for Administrators, read and
// value writes for Users.
bool make_writable(const std::wstring& subkey);

// Reads a REG_SZ or REG_EXPAND_SZ value without expanding it.
bool read_string(HKEY root, const std::wstring& subkey, const std::wstring& name, std::wstring& out);
// Reads a REG_MULTI_SZ value as a list of strings.
bool read_multi_string(HKEY root, const std::wstring& subkey, const std::wstring& name, std::vector<std::wstring>& out);
// Reads a REG_DWORD value; out is 0 on failure.
bool read_dword(HKEY root, const std::wstring& subkey, const std::wstring& name, DWORD& out);
// Reads a value of one of the three supported kinds, reporting its registry type.
bool read_value(HKEY root, const std::wstring& subkey, const std::wstring& name, DWORD& out_type,
                RegistryValue& out_value);

// Writes text under HKEY_LOCAL_MACHINE\subkey as REG_EXPAND_SZ when it refers to a known
// environment variable (%NAME%), otherwise as REG_SZ.
bool write_string(const std::wstring& subkey, const std::wstring& name, const std::wstring& text);
// Writes a REG_DWORD under the own settings key.
bool write_dword(const std::wstring& name, DWORD value);

// Creates HKEY_LOCAL_MACHINE\parent\child. The parent's owner and DACL stay as they are: it may be
// a system key that only happens to lie above what this program writes.
bool create_key(const std::wstring& parent, const std::wstring& child);
// Creates every missing key along HKEY_LOCAL_MACHINE\subkey.
bool create_key_path(const std::wstring& subkey);

// Names of the direct subkeys of root\subkey.
bool enum_subkeys(HKEY root, const std::wstring& subkey, std::vector<std::wstring>& out);
// Names of the values of HKEY_LOCAL_MACHINE\subkey.
bool enum_values(const std::wstring& subkey, std::vector<std::wstring>& out);

// The predefined root for "HKEY_CLASSES_ROOT", "HKEY_CURRENT_CONFIG", "HKEY_CURRENT_USER",
// "HKEY_LOCAL_MACHINE" or "HKEY_USERS" (any case); nullptr for any other name.
HKEY root_key_from_name(const std::wstring& name);

}  // namespace qev::winsys
