#pragma once

#include <windows.h>

namespace qevsim {

// Marks the calling thread as inside a client's notification callback while it lives. The
// documentation forbids registering, unregistering and releasing the last reference to an audio
// object there (it can deadlock the audio service); the simulator checks those against it.
class CallbackScope {
public:
    CallbackScope();
    ~CallbackScope();
    CallbackScope(const CallbackScope&) = delete;
    CallbackScope& operator=(const CallbackScope&) = delete;

    static bool active();
};

// E_ILLEGAL_METHOD_CALL ("a method was called at an unexpected time"; not in mingw-w64's winerror.h).
inline constexpr HRESULT kIllegalMethodCall = static_cast<HRESULT>(0x8000000E);

// Inside a callback: reports the call as a violation and answers kIllegalMethodCall, which the
// caller returns instead of doing anything. Outside: S_OK.
HRESULT refuseInsideCallback(const wchar_t* call);

}  // namespace qevsim
