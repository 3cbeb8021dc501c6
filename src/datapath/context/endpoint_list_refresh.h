#pragma once

#include <functional>

#include "datapath/context/endpoint_lists.h"

namespace qev::datapath {

// The two entries that refresh the endpoint lists: the process-wide copy is enumerated again and
// the attached manager copy replaced by it. Refreshes are serialised; attaching and detaching wait
// for a refresh in progress, so a detached copy is never touched again.
class EndpointListRefresh {
public:
    // Called after a refresh with event, with the state handler's flag (the manager raises its
    // endpoint-list event from it).
    using Event = std::function<void(bool flag)>;

    // The copy the manager's Enum reads and the event it raises; replaces an earlier attachment.
    static void Attach(EndpointLists* manager_copy, Event event);
    // Ends the attachment when `manager_copy` is the attached one.
    static void Detach(const EndpointLists* manager_copy);
};

// Without an event: at manager construction.
void RefreshEndpointLists();
// The state-change callback of the effect handlers: refreshes, logs "update device list" and
// raises the attached event with `flag`.
void RefreshEndpointListsWithEvent(bool flag);

}  // namespace qev::datapath
