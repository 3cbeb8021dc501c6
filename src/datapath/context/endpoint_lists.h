#pragma once

#include "datapath/context/endpoint_entry.h"

#include <mmdeviceapi.h>

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qev::datapath {

// The active capture and render endpoints, guarded by their own mutex so that refreshes and
// readers on other threads never see a half-written list. Narrow names are UTF-8.
class EndpointLists {
public:
    // The process-wide copy that device names are matched against, built on first use.
    static EndpointLists& process_wide();

    EndpointLists() = default;
    EndpointLists(const EndpointLists&) = delete;
    EndpointLists& operator=(const EndpointLists&) = delete;

    // Re-enumerates both lists through the system's MMDevice enumerator, initialising COM on this
    // thread when needed. A failed enumeration leaves the affected list empty.
    void refresh();
    // The same with a given enumerator (null: both lists empty).
    void refresh(IMMDeviceEnumerator* enumerator);
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
    std::vector<EndpointEntry> capture_;
    std::vector<EndpointEntry> render_;
};

}  // namespace qev::datapath
