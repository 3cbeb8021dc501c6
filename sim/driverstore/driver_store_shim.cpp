// setupapi.dll for processes that run on the simulated machine: Wine's SetupGetInfDriverStoreLocationW
// is a stub, so this one answers from the simulated driver store (the "Path" value of the key
// HKLM\SOFTWARE\qevsim\DriverStore\<published INF name>); every other export jumps to Wine's own
// setupapi.dll. A process gets it when this file lies beside its executable and WINEDLLOVERRIDES
// holds setupapi=n,b.
#include <windows.h>

#include <string>

#include "reg_key.h"

extern "C" {
// Filled by DllMain from Wine's setupapi.dll, in the order of qevsim_forwarded_names (generated).
extern void* qevsim_slots[];
extern const char* const qevsim_forwarded_names[];
extern const unsigned qevsim_forwarded_count;
}

namespace {

constexpr wchar_t kDriverStoreRoot[] = L"SOFTWARE\\qevsim\\DriverStore";

// What a pass-through export answers when Wine's setupapi lacks it.
BOOL WINAPI missingExport()
{
    ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
}

void resolveForwarders()
{
    wchar_t system[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring path = std::wstring(system, length) + L"\\setupapi.dll";
    // Loaded by its full system path, Wine's builtin comes in beside this module; it stays
    // loaded for the life of the process.
    const HMODULE wine = ::LoadLibraryW(path.c_str());
    for (unsigned i = 0; i < qevsim_forwarded_count; ++i) {
        FARPROC target = wine != nullptr ? ::GetProcAddress(wine, qevsim_forwarded_names[i]) : nullptr;
        qevsim_slots[i] = target != nullptr ? reinterpret_cast<void*>(target) : reinterpret_cast<void*>(&missingExport);
    }
}

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
        resolveForwarders();
    }
    return TRUE;
}
