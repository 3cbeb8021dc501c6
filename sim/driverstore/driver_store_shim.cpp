// setupapi.dll for processes that run on the simulated machine: Wine's SetupGetInfDriverStoreLocationW
// is a stub, so this one answers from the simulated driver store (the "Path" value of the key
// HKLM\SOFTWARE\qevsim\DriverStore\<published INF name>); every other export jumps to Wine's own
// setupapi.dll. A process gets it when this file lies beside its executable and WINEDLLOVERRIDES
// holds setupapi=n,b.
#include <windows.h>

#include <string>

#include "forwarded_exports.h"
#include "reg_key.h"

namespace {

constexpr wchar_t kDriverStoreRoot[] = L"SOFTWARE\\qevsim\\DriverStore";

std::wstring fileNamePart(const std::wstring& path)
{
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

extern "C" BOOL WINAPI SetupGetInfDriverStoreLocationW(PCWSTR fileName, void* /*alternatePlatform*/,
                                                       PCWSTR /*localeName*/, PWSTR buffer, DWORD bufferSize,
                                                       PDWORD requiredSize)
{
    if (fileName == nullptr || *fileName == L'\0') {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const qevsim::RegKey entry = qevsim::RegKey::open(
        HKEY_LOCAL_MACHINE, std::wstring(kDriverStoreRoot) + L"\\" + fileNamePart(fileName), KEY_READ);
    const auto location = entry.string(L"Path");
    if (!location || location->empty()) {
        ::SetLastError(ERROR_NOT_FOUND);
        return FALSE;
    }
    const DWORD needed = static_cast<DWORD>(location->size() + 1);
    if (requiredSize != nullptr) {
        *requiredSize = needed;
    }
    if (buffer == nullptr || bufferSize < needed) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    location->copy(buffer, location->size());
    buffer[location->size()] = L'\0';
    ::SetLastError(ERROR_SUCCESS);
    return TRUE;
}

// Lets a process tell this setupapi.dll from Wine's (Wine may name its builtin after a file it
// found, so the module path does not tell).
extern "C" DWORD WINAPI QevsimDriverStoreVersion()
{
    return 1;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*)
{
    if (reason == DLL_PROCESS_ATTACH) {
        qevsim::resolveForwardedExports(L"setupapi.dll");
    }
    return TRUE;
}
