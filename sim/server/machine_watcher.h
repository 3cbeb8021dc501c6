#pragma once

#include <windows.h>

#include <memory>

#include "base/unique_handle.h"
#include "reg_key.h"

namespace qevsim {

// The simulator's notification thread in one process: it waits for new records in the change
// journal (written by any process) and has them delivered, in journal order, to the registered
// clients. It ends by itself once nobody is registered; it keeps the DLL loaded while it runs.
class MachineWatcher {
public:
    // Starts the thread and returns once it knows where the journal stands; null if it can't start.
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
    // The journal's records from cursor_ on, delivered; cursor_ then stands after the last.
    template <typename Deliver>
    void catchUp(Deliver deliver);

    qev::base::UniqueKernelHandle changed_;
    qev::base::UniqueKernelHandle stop_;
    qev::base::UniqueKernelHandle ready_;
    RegKey journalKey_;
    DWORD cursor_ = 0;
};

}  // namespace qevsim
