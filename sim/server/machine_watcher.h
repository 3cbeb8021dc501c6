#pragma once

#include <windows.h>

#include <memory>

#include "machine_snapshot.h"
#include "reg_key.h"
#include "base/unique_handle.h"

namespace qevsim {

// The simulator's notification thread in one process: it waits for registry changes of the
// machine (made by any process), reads the machine again and reports the differences to the
// registered clients. It ends by itself once nobody is registered; it keeps the DLL loaded
// while it runs.
class MachineWatcher {
public:
    // Starts the thread and returns once the baseline is taken; null if the thread can't start.
    static std::shared_ptr<MachineWatcher> start();
    void requestStop();

    MachineWatcher(const MachineWatcher&) = delete;
    MachineWatcher& operator=(const MachineWatcher&) = delete;
    ~MachineWatcher() = default;

private:
    MachineWatcher() = default;
    static DWORD WINAPI threadMain(void* parameter);
    void run();
    void arm();

    qev::base::UniqueKernelHandle changed_;
    qev::base::UniqueKernelHandle stop_;
    qev::base::UniqueKernelHandle ready_;
    RegKey audioKey_;
    RegKey simKey_;
    MachineSnapshot baseline_;
};

}  // namespace qevsim
