#pragma once

#include "datapath/context/apo_reg_control.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace qev::rpc {

// The property holders of the endpoints that session activations were reported for, by endpoint
// id (exact comparison), created on an endpoint's first activation and kept for the life of the
// server. Its lock also serialises the flag writes, since two command handlers can overlap while
// the session monitor reconnects.
class DeviceControlMap {
public:
    DeviceControlMap() = default;

    DeviceControlMap(const DeviceControlMap&) = delete;
    DeviceControlMap& operator=(const DeviceControlMap&) = delete;

    // Writes "ul_filter" (capture) or "dl_filter" (render), then "stream_filter", with the activation
    // when the endpoint's holder is enabled; an endpoint that cannot be opened gets a disabled holder.
    // A deactivation of an endpoint without a holder changes nothing and returns false.
    bool switch_filters(const std::wstring& endpoint_id, bool capture, bool active);

private:
    // The endpoint's holder, created for an activation; null for a deactivation without one.
    datapath::APORegControl* holder_for(const std::wstring& endpoint_id, bool active);

    std::mutex mutex_;
    std::map<std::wstring, std::unique_ptr<datapath::APORegControl>> controls_;  // guarded by mutex_
};

}  // namespace qev::rpc
