#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "datapath/context/endpoint_entry.h"

namespace qev::datapath {

// The active capture and render endpoints, guarded by their own mutex (the device-list mutex of
// the copy) so that refreshes and readers on other threads never see a half-written list. Narrow
// names are UTF-8.
class EndpointLists {
public:
    // The process-wide copy that device names are matched against, built on first use.
    static EndpointLists& process_wide();

    EndpointLists() = default;
    EndpointLists(const EndpointLists&) = delete;
    EndpointLists& operator=(const EndpointLists&) = delete;

    // Re-enumerates both lists through the endpoint queries, in the multithreaded apartment. A
    // failed enumeration leaves the affected list empty; an endpoint whose id or friendly name
    // cannot be read is left out.
    void refresh();
    // Replaces both lists with a snapshot of another object's.
    void copy_from(const EndpointLists& other);

    std::vector<std::string> friendly_names(uint32_t type) const;
    size_t size(uint32_t type) const;
    // Case-insensitive match of a friendly name in the list of that type.
    std::optional<EndpointEntry> find_by_friendly_name(uint32_t type, std::string_view name) const;

private:
    void replace(std::vector<EndpointEntry> capture, std::vector<EndpointEntry> render);
    const std::vector<EndpointEntry>* list_of(uint32_t type) const;

    mutable std::mutex mutex_;
    std::vector<EndpointEntry> capture_;  // guarded by mutex_
    std::vector<EndpointEntry> render_;   // guarded by mutex_
};

}  // namespace qev::datapath
