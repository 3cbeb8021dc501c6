#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qevsim {

// Where the documentation allows two behaviours, a switch under HKLM\SOFTWARE\qevsim\Contract
// chooses (sim/README.md); where it forbids a call, the simulator refuses or reports it as a
// violation under HKLM\SOFTWARE\qevsim\Violations, which every test program on the machine checks.
class Contract {
public:
    // "EndpointCallbackAddRef" (DWORD): non-zero makes RegisterEndpointNotificationCallback take a
    // reference to the client and UnregisterEndpointNotificationCallback give it back, as the
    // older documentation said; absent or 0 follows the current text (no AddRef, no Release).
    static constexpr wchar_t kEndpointCallbackAddRef[] = L"EndpointCallbackAddRef";

    static bool endpointCallbackAddRef();
    static LONG setSwitch(const std::wstring& name, DWORD value);

    // Logs the violation to the debugger output ("[qevsim] contract violation: ...") and keeps it.
    static void reportViolation(const std::wstring& what);
    static std::vector<std::wstring> violations();
    static void clearViolations();
};

}  // namespace qevsim
