#include "sysinfo/apo_class_registration.h"

#include "sysinfo/apo_identifiers.h"
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

bool ensure_server_key(const std::wstring& class_id)
{
    if (LocalMachineKeyOpens(InProcServerKey(class_id))) {
        return true;
    }
    const std::wstring& clsid_key = GetApoKeyPaths().clsid_key;
    return qev::winsys::make_writable(clsid_key) &&
           qev::winsys::create_key_path(clsid_key + L"\\" + class_id + L"\\InProcServer32");
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
    if (!ensure_server_key(class_id)) {
        return false;
    }
    const std::wstring server_key = InProcServerKey(class_id);
    return qev::winsys::write_string(server_key, L"", registered_server_path(library_path)) &&
           qev::winsys::write_string(server_key, L"ThreadingModel", L"Both");
}

}  // namespace qev::sysinfo
