#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Value and subkey access on an already opened key, shared by the bool API and the path-based API.
// Every function returns the Windows status and leaves its output unchanged on failure.
namespace qev::winsys {

LSTATUS query_value_type(HKEY key, const std::wstring& name, DWORD& type);

// REG_SZ or REG_EXPAND_SZ (given as `type`), never expanded; the terminator is dropped.
LSTATUS get_string_value(HKEY key, const std::wstring& name, DWORD type, std::wstring& out);

LSTATUS get_multi_string_value(HKEY key, const std::wstring& name, std::vector<std::wstring>& out);

LSTATUS get_dword_value(HKEY key, const std::wstring& name, DWORD& out);

// How an enumeration treats an index whose name cannot be read.
enum class OnEntryError { skip, fail };

LSTATUS list_subkey_names(HKEY key, OnEntryError on_error, std::vector<std::wstring>& out);
LSTATUS list_value_names(HKEY key, OnEntryError on_error, std::vector<std::wstring>& out);

// Splits REG_MULTI_SZ data at each NUL until the empty string that ends the list (or the data).
std::vector<std::wstring> split_multi_string(const wchar_t* data, size_t length);

}  // namespace qev::winsys
