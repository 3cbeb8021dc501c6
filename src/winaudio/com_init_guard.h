#pragma once

#include <windows.h>

#include <objbase.h>

#include "base/com_init.h"

namespace qev::winaudio {

// How the audio wrappers take COM for their thread: apartment-threaded with OLE1 DDE off, or the
// multithreaded apartment when the thread is already in it.
inline constexpr DWORD kAudioComFlags = COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE;
inline constexpr DWORD kAudioComFallbackFlags = COINIT_MULTITHREADED | COINIT_DISABLE_OLE1DDE;

// Process-wide COM initialisation, made once on first use and undone at process exit. Code that
// makes COM calls touches it first.
class ComInitGuard {
public:
    static ComInitGuard& Instance();

    bool initialized() const { return init_.initialized(); }

private:
    ComInitGuard();

    base::ComInit init_;
};

}  // namespace qev::winaudio
