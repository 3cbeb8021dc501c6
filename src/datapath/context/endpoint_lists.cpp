#include "datapath/context/endpoint_lists.h"

#include "base/com_init.h"
#include "base/logging.h"
#include "base/utf8.h"
#include "winaudio/endpoint_queries.h"

#include <wrl/client.h>

#include <cwchar>
#include <utility>

namespace qev::datapath {

using Microsoft::WRL::ComPtr;

namespace {

// The active endpoints of one flow with their ids and friendly names; COM is initialised.
std::vector<EndpointEntry> list_active(EDataFlow flow)
{
    std::vector<ComPtr<IMMDevice>> devices;
    std::vector<EndpointEntry> entries;
    if (!winaudio::EnumerateActiveEndpoints(devices, flow)) {
        return entries;
    }
    for (const ComPtr<IMMDevice>& device : devices) {
        EndpointEntry entry;
        if (!winaudio::GetDeviceId(device, entry.id)) {
            continue;
        }
        if (!winaudio::GetFriendlyName(device, entry.friendly_name)) {
            base::log_printf("unknown property type\n");
            continue;
        }
        entry.device = device;
        entry.type = EndpointTypeFromDataFlow(flow);
        entries.push_back(std::move(entry));
    }
    return entries;
}

}  // namespace

EndpointLists& EndpointLists::process_wide()
{
    static EndpointLists lists;
    return lists;
}

void EndpointLists::refresh()
{
    const base::ComInit com(COINIT_MULTITHREADED);
    std::vector<EndpointEntry> capture = list_active(eCapture);
    std::vector<EndpointEntry> render = list_active(eRender);
    replace(std::move(capture), std::move(render));
}

void EndpointLists::copy_from(const EndpointLists& other)
{
    if (&other == this) {
        return;
    }
    std::vector<EndpointEntry> capture;
    std::vector<EndpointEntry> render;
    {
        const std::lock_guard<std::mutex> lock(other.mutex_);
        capture = other.capture_;
        render = other.render_;
    }
    replace(std::move(capture), std::move(render));
}

std::vector<std::string> EndpointLists::friendly_names(uint32_t type) const
{
    std::vector<std::string> names;
    const std::lock_guard<std::mutex> lock(mutex_);
    if (const std::vector<EndpointEntry>* list = list_of(type)) {
        for (const EndpointEntry& entry : *list) {
            names.push_back(base::utf8_from_wide(entry.friendly_name));
        }
    }
    return names;
}

size_t EndpointLists::size(uint32_t type) const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    const std::vector<EndpointEntry>* list = list_of(type);
    return list == nullptr ? 0 : list->size();
}

std::optional<EndpointEntry> EndpointLists::find_by_friendly_name(uint32_t type, std::string_view name) const
{
    const std::wstring wide = base::wide_from_utf8(name);
    const std::lock_guard<std::mutex> lock(mutex_);
    if (const std::vector<EndpointEntry>* list = list_of(type)) {
        for (const EndpointEntry& entry : *list) {
            if (_wcsicmp(entry.friendly_name.c_str(), wide.c_str()) == 0) {
                return entry;
            }
        }
    }
    return std::nullopt;
}

void EndpointLists::replace(std::vector<EndpointEntry> capture, std::vector<EndpointEntry> render)
{
    // The old entries are released after the lock is let go.
    std::vector<EndpointEntry> old_capture;
    std::vector<EndpointEntry> old_render;
    const std::lock_guard<std::mutex> lock(mutex_);
    old_capture = std::exchange(capture_, std::move(capture));
    old_render = std::exchange(render_, std::move(render));
}

const std::vector<EndpointEntry>* EndpointLists::list_of(uint32_t type) const
{
    switch (type) {
    case kEndpointCapture:
        return &capture_;
    case kEndpointRender:
        return &render_;
    default:
        return nullptr;
    }
}

}  // namespace qev::datapath
