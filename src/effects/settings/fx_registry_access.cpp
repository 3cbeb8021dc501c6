#include "effects/settings/fx_registry_access.h"

#include <iostream>
#include <utility>

#include "base/logging.h"
#include "winsys/registry_path.h"

namespace qev::effects {

namespace {

namespace regpath = winsys::regpath;

// Runs one registry operation; its RegistryException becomes the "exp: " line and false.
template <typename Operation>
bool guarded(Operation&& operation)
{
    try {
        std::forward<Operation>(operation)();
        return true;
    } catch (const winsys::RegistryException& e) {
        std::wcout << L"exp: " << e.message() << std::endl;
        return false;
    }
}

// Effect lists are read by the audio engine, so only Administrators get write access.
void repair_for_writing(const std::wstring& key)
{
    regpath::take_ownership(key);
    regpath::ensure_writability(key, winsys::WriteAccessFor::administrators);
}

}  // namespace

bool FxRegistryAccess::RegWriteString(const std::wstring& key, const std::wstring& name, const std::wstring& value)
{
    return guarded([&] {
        repair_for_writing(key);
        regpath::write_string(key, name, value);
    });
}

bool FxRegistryAccess::RegWriteMultiString(const std::wstring& key, const std::wstring& name,
                                           const std::vector<std::wstring>& values)
{
    return guarded([&] {
        repair_for_writing(key);
        regpath::write_multi_string(key, name, values);
    });
}

bool FxRegistryAccess::RegWriteDword(const std::wstring& key, const std::wstring& name, DWORD value)
{
    return guarded([&] {
        repair_for_writing(key);
        regpath::write_dword(key, name, value);
    });
}

bool FxRegistryAccess::RegCreateKey(const std::wstring& key)
{
    return guarded([&] { regpath::create_key(key); });
}

bool FxRegistryAccess::RegRepairKey(const std::wstring& key)
{
    return guarded([&] { repair_for_writing(key); });
}

bool FxRegistryAccess::RegKeyExists(const std::wstring& key)
{
    return regpath::key_exists(key);
}

bool FxRegistryAccess::RegValueExists(const std::wstring& key, const std::wstring& name)
{
    return regpath::value_exists(key, name);
}

bool FxRegistryAccess::RegReadDword(const std::wstring& key, const std::wstring& name, DWORD& value)
{
    return guarded([&] { value = regpath::read_dword(key, name); });
}

bool FxRegistryAccess::RegReadString(const std::wstring& key, const std::wstring& name, std::wstring& value)
{
    return guarded([&] { value = regpath::read_string(key, name); });
}

bool FxRegistryAccess::RegReadMultiString(const std::wstring& key, const std::wstring& name,
                                          std::vector<std::wstring>& values)
{
    return guarded([&] { values = regpath::read_multi_string(key, name); });
}

bool FxRegistryAccess::RegEnumSubKeys(const std::wstring& key, std::vector<std::wstring>& names)
{
    return guarded([&] { names = regpath::enumerate_subkeys(key); });
}

bool FxRegistryAccess::RegDeleteValue(const std::wstring& key, const std::wstring& name)
{
    return guarded([&] { regpath::delete_value(key, name); });
}

bool FxRegistryAccess::RegCopyKeyTree(const std::wstring& destination, const std::wstring& source)
{
    if (!guarded([&] { regpath::copy_tree(destination, source); })) {
        return false;
    }
    try {
        regpath::ensure_writability(destination, winsys::WriteAccessFor::administrators);
    } catch (const winsys::RegistryException& e) {
        base::log_wprintf(L"fail to make registry key writable (%s): %s\n", destination.c_str(), e.message().c_str());
    }
    return true;
}

}  // namespace qev::effects
