#include "winsys/registry_value_io.h"

namespace qev::winsys {

namespace {

DWORD string_flags(DWORD type)
{
    return type == REG_EXPAND_SZ ? (RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND) : RRF_RT_REG_SZ;
}

// Every index from 0 to the count reported by RegQueryInfoKeyW, with a buffer for the longest name.
template <typename ReadName>
LSTATUS list_names(HKEY key, bool values, OnEntryError on_error, std::vector<std::wstring>& out, ReadName read_name)
{
    DWORD subkeys = 0;
    DWORD longest_subkey = 0;
    DWORD value_count = 0;
    DWORD longest_value = 0;
    const LSTATUS status = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &longest_subkey, nullptr,
                                            &value_count, &longest_value, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    const DWORD count = values ? value_count : subkeys;
    const DWORD longest = values ? longest_value : longest_subkey;
    std::vector<std::wstring> names;
    names.reserve(count);
    std::vector<wchar_t> buffer(static_cast<size_t>(longest) + 1);
    for (DWORD index = 0; index < count; ++index) {
        DWORD length = static_cast<DWORD>(buffer.size());
        const LSTATUS read = read_name(index, buffer.data(), &length);
        if (read != ERROR_SUCCESS) {
            if (on_error == OnEntryError::fail) {
                return read;
            }
            continue;
        }
        names.emplace_back(buffer.data(), length);
    }
    out = std::move(names);
    return ERROR_SUCCESS;
}

}  // namespace

LSTATUS query_value_type(HKEY key, const std::wstring& name, DWORD& type)
{
    DWORD found = REG_NONE;
    const LSTATUS status = RegQueryValueExW(key, name.c_str(), nullptr, &found, nullptr, nullptr);
    if (status == ERROR_SUCCESS) {
        type = found;
    }
    return status;
}

LSTATUS get_string_value(HKEY key, const std::wstring& name, DWORD type, std::wstring& out)
{
    const DWORD flags = string_flags(type);
    DWORD size = 0;
    LSTATUS status = RegGetValueW(key, nullptr, name.c_str(), flags, nullptr, nullptr, &size);
    if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) {
        return status;
    }
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    status = RegGetValueW(key, nullptr, name.c_str(), flags, nullptr, text.data(), &bytes);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    // The returned size includes the terminating NUL.
    const size_t characters = bytes / sizeof(wchar_t);
    text.resize(characters > 0 ? characters - 1 : 0);
    out = std::move(text);
    return ERROR_SUCCESS;
}

LSTATUS get_multi_string_value(HKEY key, const std::wstring& name, std::vector<std::wstring>& out)
{
    DWORD size = 0;
    LSTATUS status = RegGetValueW(key, nullptr, name.c_str(), RRF_RT_REG_MULTI_SZ, nullptr, nullptr, &size);
    if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) {
        return status;
    }
    std::vector<wchar_t> data(size / sizeof(wchar_t) + 2, L'\0');
    DWORD bytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    status = RegGetValueW(key, nullptr, name.c_str(), RRF_RT_REG_MULTI_SZ, nullptr, data.data(), &bytes);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    out = split_multi_string(data.data(), bytes / sizeof(wchar_t));
    return ERROR_SUCCESS;
}

LSTATUS get_dword_value(HKEY key, const std::wstring& name, DWORD& out)
{
    DWORD value = 0;
    DWORD bytes = sizeof(value);
    const LSTATUS status = RegGetValueW(key, nullptr, name.c_str(), RRF_RT_REG_DWORD, nullptr, &value, &bytes);
    if (status == ERROR_SUCCESS) {
        out = value;
    }
    return status;
}

LSTATUS list_subkey_names(HKEY key, OnEntryError on_error, std::vector<std::wstring>& out)
{
    return list_names(key, false, on_error, out, [key](DWORD index, wchar_t* name, DWORD* length) {
        return RegEnumKeyExW(key, index, name, length, nullptr, nullptr, nullptr, nullptr);
    });
}

LSTATUS list_value_names(HKEY key, OnEntryError on_error, std::vector<std::wstring>& out)
{
    return list_names(key, true, on_error, out, [key](DWORD index, wchar_t* name, DWORD* length) {
        return RegEnumValueW(key, index, name, length, nullptr, nullptr, nullptr, nullptr);
    });
}

std::vector<std::wstring> split_multi_string(const wchar_t* data, size_t length)
{
    std::vector<std::wstring> list;
    size_t start = 0;
    while (start < length && data[start] != L'\0') {
        size_t end = start;
        while (end < length && data[end] != L'\0') {
            ++end;
        }
        list.emplace_back(data + start, end - start);
        start = end + 1;
    }
    return list;
}

}  // namespace qev::winsys
