#pragma once

#include "machine_snapshot.h"

namespace qevsim {

// Turns the difference between two readings of the machine into the notifications Windows
// would send, and calls the registered clients on the calling (watcher) thread.
class ChangeDispatcher {
public:
    static void dispatch(const MachineSnapshot& before, const MachineSnapshot& after);

private:
    static void endpointChanges(const MachineSnapshot& before, const MachineSnapshot& after);
    static void propertyChanges(const std::wstring& id, const EndpointSnapshot& before, const EndpointSnapshot& after);
    static void effectStoreChanges(const std::wstring& id, const EndpointSnapshot& before,
                                   const EndpointSnapshot& after);
    static void defaultChanges(const MachineSnapshot& before, const MachineSnapshot& after);
    static void sessionChanges(const MachineSnapshot& before, const MachineSnapshot& after);
    static void disconnectSessionsOf(const MachineSnapshot& snapshot, const std::wstring& endpointId);
};

}  // namespace qevsim
