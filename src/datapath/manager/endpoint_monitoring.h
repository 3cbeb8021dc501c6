#pragma once

#include "winaudio/audio_device_list.h"
#include "winaudio/device_event_callbacks.h"
#include "winsys/reg_key_watcher.h"
#include "winsys/reg_watcher_observer.h"

#include <memory>

namespace qev::datapath {

// What the manager keeps watching the machine's endpoints with: the two endpoint-key watchers
// (no change class selected, so they never report), the full endpoint scan at construction, and
// the device list whose notifications reach the effect handlers. Construction returns once the
// scan has ended; destruction unregisters the handlers before anything else goes.
class EndpointMonitoring {
public:
    explicit EndpointMonitoring(winsys::reg_utils_wil::RegWatcherObserver* observer);
    ~EndpointMonitoring();

    EndpointMonitoring(const EndpointMonitoring&) = delete;
    EndpointMonitoring& operator=(const EndpointMonitoring&) = delete;

    // Runs the endpoint scan on a thread of its own, registers the handlers and waits for the scan.
    void start();

private:
    winsys::reg_utils_wil::RegWatcherObserver* const observer_;
    winsys::reg_utils_wil::RegKeyWatcher capture_watcher_;
    winsys::reg_utils_wil::RegKeyWatcher render_watcher_;
    winaudio::DeviceEventCallbacks callbacks_;
    std::unique_ptr<winaudio::AudioDeviceList> device_list_;
};

}  // namespace qev::datapath
