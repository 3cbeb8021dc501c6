#pragma once

#include <string>

namespace qevsim {

// The stand-in audio service through the service control manager, as an administrator would
// handle the real one. Each call waits until the service reached the state asked for, at most 10 s.
class AudioServiceControl {
public:
    // Installs "Audiosrv" (qevsim_audiosrv.exe beside qevsim, automatic start) or points the
    // installed one at that program again, and starts it.
    static bool install(std::wstring* error);
    // Starts the service unless it runs already.
    static bool start(std::wstring* error);
    // Stops the service unless it is stopped already.
    static bool stop(std::wstring* error);
};

}  // namespace qevsim
