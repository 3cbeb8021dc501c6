#include "datapath/context/endpoint_lists.h"

#include "base/com_init.h"
#include "base/logging.h"
#include "base/utf8.h"
#include "datapath/context/active_endpoint_enumerator.h"

#include <wrl/client.h>

#include <cwchar>
#include <utility>

namespace qev::datapath {

using Microsoft::WRL::ComPtr;

EndpointLists& EndpointLists::process_wide()
{
    static EndpointLists lists;
    return lists;
}

void EndpointLists::refresh()
{
    const base::ComInit com(COINIT_MULTITHREADED);
    ComPtr<IMMDeviceEnumerator> enumerator;
    const HRESULT hr = CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL, IID_PPV_ARGS(&enumerator));
    if (FAILED(hr)) {
        base::log_printf("endpoint list: cannot create the device enumerator, hr: 0x%08X\n", static_cast<unsigned>(hr));
    }
    refresh(enumerator.Get());
}

void EndpointLists::refresh(IMMDeviceEnumerator* enumerator)
{
    const ActiveEndpointEnumerator lister(enumerator);
    std::vector<EndpointEntry> capture = lister.list(eCapture);
    std::vector<EndpointEntry> render = lister.list(eRender);
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
