#include <cwchar>

#include "base/logging.h"
#include "winsys/registry.h"
#include "winsys/registry_value_io.h"
#include "base/unique_handle.h"

namespace qev::winsys {

namespace {

bool open_for_read(HKEY root, const std::wstring& subkey, base::UniqueRegKey& key)
{
    return RegOpenKeyExW(root, subkey.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

bool is_string_type(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

}  // namespace

bool read_string(HKEY root, const std::wstring& subkey, const std::wstring& name, std::wstring& out)
{
    base::UniqueRegKey key;
    DWORD type = REG_NONE;
    if (!open_for_read(root, subkey, key) || query_value_type(key.get(), name, type) != ERROR_SUCCESS ||
        !is_string_type(type)) {
        return false;
    }
    return get_string_value(key.get(), name, type, out) == ERROR_SUCCESS;
}

bool read_multi_string(HKEY root, const std::wstring& subkey, const std::wstring& name, std::vector<std::wstring>& out)
{
    base::UniqueRegKey key;
    return open_for_read(root, subkey, key) && get_multi_string_value(key.get(), name, out) == ERROR_SUCCESS;
}

bool read_dword(HKEY root, const std::wstring& subkey, const std::wstring& name, DWORD& out)
{
    out = 0;
    base::UniqueRegKey key;
    return open_for_read(root, subkey, key) && get_dword_value(key.get(), name, out) == ERROR_SUCCESS;
}

bool read_value(HKEY root, const std::wstring& subkey, const std::wstring& name, DWORD& out_type,
                RegistryValue& out_value)
{
    base::UniqueRegKey key;
    DWORD type = REG_NONE;
    if (!open_for_read(root, subkey, key) || query_value_type(key.get(), name, type) != ERROR_SUCCESS) {
        return false;
    }
    bool read = false;
    if (is_string_type(type)) {
        std::wstring text;
        read = get_string_value(key.get(), name, type, text) == ERROR_SUCCESS;
        if (read) {
            out_value = std::move(text);
        }
    } else if (type == REG_DWORD) {
        DWORD number = 0;
        read = get_dword_value(key.get(), name, number) == ERROR_SUCCESS;
        if (read) {
            out_value = number;
        }
    } else if (type == REG_MULTI_SZ) {
        std::vector<std::wstring> list;
        read = get_multi_string_value(key.get(), name, list) == ERROR_SUCCESS;
        if (read) {
            out_value = std::move(list);
        }
    } else {
        base::log_wprintf(L"Registry type is %lu and is not supported by this API.\n",
                          static_cast<unsigned long>(type));
        return false;
    }
    if (read) {
        out_type = type;
    }
    return read;
}

bool enum_subkeys(HKEY root, const std::wstring& subkey, std::vector<std::wstring>& out)
{
    base::UniqueRegKey key;
    return open_for_read(root, subkey, key) && list_subkey_names(key.get(), OnEntryError::skip, out) == ERROR_SUCCESS;
}

bool enum_values(const std::wstring& subkey, std::vector<std::wstring>& out)
{
    base::UniqueRegKey key;
    return open_for_read(HKEY_LOCAL_MACHINE, subkey, key) &&
           list_value_names(key.get(), OnEntryError::skip, out) == ERROR_SUCCESS;
}

HKEY root_key_from_name(const std::wstring& name)
{
    struct Root {
        const wchar_t* name;
        HKEY key;
    };
    static const Root roots[] = {
        {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
        {L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
        {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
        {L"HKEY_USERS", HKEY_USERS},
    };
    for (const Root& root : roots) {
        if (_wcsicmp(root.name, name.c_str()) == 0) {
            return root.key;
        }
    }
    return nullptr;
}

}  // namespace qev::winsys
