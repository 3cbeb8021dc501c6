#include "datapath/context/endpoint_list_refresh.h"

#include <mutex>
#include <utility>

#include "base/logging.h"

namespace qev::datapath {

namespace {

struct Attachment {
    std::mutex mutex;
    EndpointLists* manager_copy = nullptr;  // guarded by mutex
    EndpointListRefresh::Event event;       // guarded by mutex
};

Attachment& attachment()
{
    static Attachment instance;
    return instance;
}

// Refreshes under the attachment lock; the event, when wanted, is raised under it too, so that
// Detach also waits for an event being raised.
void refresh(const bool* event_flag)
{
    Attachment& shared = attachment();
    const std::lock_guard<std::mutex> lock(shared.mutex);
    EndpointLists& lists = EndpointLists::process_wide();
    lists.refresh();
    if (shared.manager_copy != nullptr) {
        shared.manager_copy->copy_from(lists);
    }
    if (event_flag != nullptr) {
        base::log_printf("update device list\n");
        if (shared.event) {
            shared.event(*event_flag);
        }
    }
}

}  // namespace

void EndpointListRefresh::Attach(EndpointLists* manager_copy, Event event)
{
    Attachment& shared = attachment();
    const std::lock_guard<std::mutex> lock(shared.mutex);
    shared.manager_copy = manager_copy;
    shared.event = std::move(event);
}

void EndpointListRefresh::Detach(const EndpointLists* manager_copy)
{
    Attachment& shared = attachment();
    const std::lock_guard<std::mutex> lock(shared.mutex);
    if (shared.manager_copy == manager_copy) {
        shared.manager_copy = nullptr;
        shared.event = nullptr;
    }
}

void RefreshEndpointLists()
{
    refresh(nullptr);
}

void RefreshEndpointListsWithEvent(bool flag)
{
    refresh(&flag);
}

}  // namespace qev::datapath
