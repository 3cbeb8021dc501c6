#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace qevsim {

// Processes with an image name of the test's choosing ("Teams.exe"), so a process snapshot shows
// them as the applications behind sessions: the stand-in program copied under that name into
// %ProgramData%\qevsim\processes and run until ended. Recorded under kProcessesKey.
class StartedProcesses {
public:
    // A bare executable file name: not empty, no path separators, ends in ".exe".
    static bool validImageName(const std::wstring& name);
    // The new process's id; nothing on failure (error says why).
    static std::optional<DWORD> start(const std::wstring& imageName, std::wstring* error);
    // Ends a process start() made and waits until it has exited; its sessions expire, as a dead
    // process's streams are gone. Refuses any other process.
    static bool end(DWORD processId, std::wstring* error);
    // Ends every process start() made and removes the copies.
    static bool endAll(std::wstring* error);
};

}  // namespace qevsim
