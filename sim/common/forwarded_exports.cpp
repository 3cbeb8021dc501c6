#include "forwarded_exports.h"

#include <windows.h>

#include <string>

extern "C" {
// Generated per stand-in DLL, in the order of qevsim_forwarded_names.
extern void* qevsim_slots[];
extern const char* const qevsim_forwarded_names[];
extern const unsigned qevsim_forwarded_count;
}

namespace qevsim {

namespace {

// What a pass-through export answers when Wine's DLL lacks it.
BOOL WINAPI missingExport()
{
    ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
}

}  // namespace

void resolveForwardedExports(const wchar_t* systemDllName)
{
    wchar_t system[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring path = std::wstring(system, length) + L"\\" + systemDllName;
    // Loaded by its full system path, Wine's builtin comes in beside the stand-in; it stays
    // loaded for the life of the process.
    const HMODULE wine = ::LoadLibraryW(path.c_str());
    for (unsigned i = 0; i < qevsim_forwarded_count; ++i) {
        FARPROC target = wine != nullptr ? ::GetProcAddress(wine, qevsim_forwarded_names[i]) : nullptr;
        qevsim_slots[i] = target != nullptr ? reinterpret_cast<void*>(target) : reinterpret_cast<void*>(&missingExport);
    }
}

}  // namespace qevsim
