#include "rpc/device_control_map.h"

#include "winaudio/endpoint_queries.h"

namespace qev::rpc {

bool DeviceControlMap::switch_filters(const std::wstring& endpoint_id, bool capture, bool active)
{
    const std::lock_guard lock(mutex_);
    const datapath::APORegControl* holder = holder_for(endpoint_id, active);
    if (holder == nullptr) {
        return false;
    }
    // Write results are not reported: the notification goes out either way.
    if (holder->enabled()) {
        const uint32_t value = active ? 1 : 0;
        holder->setProperties(capture ? "ul_filter" : "dl_filter", value);
        holder->setProperties("stream_filter", value);
    }
    return true;
}

datapath::APORegControl* DeviceControlMap::holder_for(const std::wstring& endpoint_id, bool active)
{
    const auto found = controls_.find(endpoint_id);
    if (found != controls_.end()) {
        return found->second.get();
    }
    if (!active) {
        return nullptr;
    }
    Microsoft::WRL::ComPtr<IMMDevice> device;
    if (!winaudio::GetDeviceById(endpoint_id, device)) {
        device.Reset();
    }
    auto holder = std::make_unique<datapath::APORegControl>(device.Get());
    return controls_.emplace(endpoint_id, std::move(holder)).first->second.get();
}

}  // namespace qev::rpc
