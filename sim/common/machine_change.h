#pragma once

#include <optional>
#include <vector>

#include "change_journal.h"
#include "machine_structure.h"

namespace qevsim {

// One change of the machine made through the simulator (its COM objects and qevsim, the audio
// service's side). It holds the MachineChangeLock while the change is made and journals what
// changed when it ends: a structural change by comparing the machine before and after, a value
// written through a store as the write itself (so writing the same value twice is announced
// twice). Edits made in the registry around the simulator are journaled by nobody.
class MachineChange {
public:
    enum class Reach { Values, Structure };

    explicit MachineChange(Reach reach);
    ~MachineChange();
    MachineChange(const MachineChange&) = delete;
    MachineChange& operator=(const MachineChange&) = delete;

    // A value written through a store, journaled when the change ends.
    void record(ChangeRecord record);

private:
    MachineChangeLock lock_;
    std::optional<MachineStructure> before_;
    std::vector<ChangeRecord> records_;
};

}  // namespace qevsim
