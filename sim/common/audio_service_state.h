#pragma once

#include <windows.h>

#include "base/unique_handle.h"

namespace qevsim {

// Whether the stand-in "Audiosrv" service runs, as every process of the machine sees it. The
// service holds the named event kRunningEvent set while it runs (a crashed service closes it) and
// counts its starts in its own service key, so objects and registrations made under one run can
// tell that the service has gone since, even when it runs again.
class AudioServiceState {
public:
    static constexpr wchar_t kServiceName[] = L"Audiosrv";
    static constexpr wchar_t kRunningEvent[] = L"qevsim-audiosrv-running";

    // The current run (1, 2, ...) while the service runs; 0 while it does not.
    static DWORD generation();

    // Held by the service process: begins a new run, published until stopped() or destruction.
    class Run {
    public:
        Run();
        ~Run();
        Run(const Run&) = delete;
        Run& operator=(const Run&) = delete;

        bool published() const { return static_cast<bool>(running_); }
        void stopped();

    private:
        qev::base::UniqueKernelHandle running_;
    };
};

}  // namespace qevsim
