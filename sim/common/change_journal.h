#pragma once

#include <windows.h>

#include <optional>

#include "base/unique_handle.h"
#include "change_record.h"

namespace qevsim {

// The changes of the machine in the order they were made, for every process: the records live in
// HKLM\SOFTWARE\qevsim\Journal as values named by their number (ten decimal digits), with "Next",
// the number the next record gets. The last kKept records stay; a reader further behind loses the
// older ones.
class ChangeJournal {
public:
    static constexpr DWORD kKept = 4096;

    // Appends one record; the caller holds the MachineChangeLock.
    static LONG append(const ChangeRecord& record);
    static DWORD next();
    // Absent when it was never written, was pruned or cannot be read.
    static std::optional<ChangeRecord> read(DWORD number);
};

// One change of the machine at a time, over all processes (a named mutex), so the journal's order
// is the order of the changes. A thread may take it again while it holds it.
class MachineChangeLock {
public:
    MachineChangeLock();
    ~MachineChangeLock();
    MachineChangeLock(const MachineChangeLock&) = delete;
    MachineChangeLock& operator=(const MachineChangeLock&) = delete;

private:
    qev::base::UniqueKernelHandle mutex_;
    bool owned_ = false;
};

}  // namespace qevsim
