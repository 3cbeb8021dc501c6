#include "sysinfo/apo_class_registration.h"

#include "sysinfo/apo_identifiers.h"
#include "base/unique_handle.h"
#include "sysinfo/local_machine_key.h"
#include "winsys/registry.h"

#include <algorithm>
#include <vector>

namespace qev::sysinfo {
namespace {

// "C:\Windows\System32\x.dll" becomes "%SystemRoot%\System32\x.dll" so the registration survives a
// different Windows directory.
std::wstring registered_server_path(const std::wstring& library_path)
{
    const size_t system32 = library_path.find(L"System32");
    if (system32 == std::wstring::npos) {
        return library_path;
    }
    return L"%SystemRoot%\\" + library_path.substr(system32);
}

// Opens (creating where missing) the class's server key below the existing registrations key. The
// new keys inherit that key's access: nothing is opened further, as the audio engine loads what this
// key names.
base::UniqueRegKey create_server_key(const std::wstring& class_id)
{
    base::UniqueRegKey classes;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, GetApoKeyPaths().clsid_key.c_str(), 0, KEY_CREATE_SUB_KEY, classes.put()) !=
        ERROR_SUCCESS) {
        return {};
    }
    base::UniqueRegKey server;
    const std::wstring subkey = class_id + L"\\InProcServer32";
    if (RegCreateKeyExW(classes.get(), subkey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, server.put(), nullptr) !=
        ERROR_SUCCESS) {
        server.reset();
    }
    return server;
}

bool set_text(HKEY key, const wchar_t* name, const std::wstring& text, DWORD type)
{
    const auto bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()), bytes) == ERROR_SUCCESS;
}

}  // namespace

bool IsApoClassRegistered()
{
    return LocalMachineKeyOpens(InProcServerKey(kApoStreamEffectClsid));
}

bool IsApoClassRegisteredByDriver()
{
    const std::wstring& class_key = GetApoKeyPaths().apo_class_key;
    std::vector<std::wstring> drivers;
    if (!qev::winsys::enum_subkeys(HKEY_LOCAL_MACHINE, class_key, drivers)) {
        return false;
    }
    return std::any_of(drivers.begin(), drivers.end(), [&](const std::wstring& driver) {
        return LocalMachineKeyOpens(class_key + L"\\" + driver + L"\\Classes\\CLSID\\" + kApoStreamEffectClsid +
                                    L"\\InProcServer32");
    });
}

bool RegisterApoClass(const std::wstring& class_id, const std::wstring& library_path)
{
    if (!IsBracedGuid(class_id) || library_path.empty() || library_path.find(L'\0') != std::wstring::npos) {
        return false;
    }
    const base::UniqueRegKey server = create_server_key(class_id);
    if (!server) {
        return false;
    }
    const std::wstring path = registered_server_path(library_path);
    const DWORD type = path.rfind(L"%SystemRoot%", 0) == 0 ? REG_EXPAND_SZ : REG_SZ;
    return set_text(server.get(), nullptr, path, type) && set_text(server.get(), L"ThreadingModel", L"Both", REG_SZ);
}

bool DeleteApoClassRegistration(const std::wstring& class_id)
{
    if (!IsBracedGuid(class_id)) {
        return false;
    }
    const std::wstring key = GetApoKeyPaths().clsid_key + L"\\" + class_id;
    const LSTATUS status = RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

}  // namespace qev::sysinfo
