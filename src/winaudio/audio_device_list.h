#pragma once

#include <windows.h>

#include <mmdeviceapi.h>
#include <wrl/client.h>

#include <memory>
#include <string>
#include <vector>

#include "base/com_init.h"
#include "winaudio/device_event_callbacks.h"
#include "winaudio/qev_audio_dev_monitor_wrapper.h"
#include "winaudio/serial_worker.h"

namespace qev::winaudio {

// Owns the device enumerator and the registered notification wrapper, and lists the names and ids
// of the active endpoints (printed to standard output as they are found). The name and id lists of
// one flow are index-aligned; refresh only appends. The callbacks run on the list's own worker,
// never on a Windows notification thread, so they may do what Windows forbids there.
class AudioDeviceList {
public:
    // Without callbacks nothing is registered.
    explicit AudioDeviceList(const DeviceEventCallbacks* callbacks);
    ~AudioDeviceList();
    AudioDeviceList(const AudioDeviceList&) = delete;
    AudioDeviceList& operator=(const AudioDeviceList&) = delete;

    void refresh();

    const std::vector<std::wstring>& render_names() const { return renderNames_; }
    const std::vector<std::wstring>& render_ids() const { return renderIds_; }
    const std::vector<std::wstring>& capture_names() const { return captureNames_; }
    const std::vector<std::wstring>& capture_ids() const { return captureIds_; }
    bool registered() const { return wrapper_ != nullptr; }

private:
    void register_wrapper(const DeviceEventCallbacks& callbacks);
    void unregister_wrapper();
    static void list_flow(IMMDeviceEnumerator* enumerator, EDataFlow flow, std::vector<std::wstring>& names,
                          std::vector<std::wstring>& ids);

    std::vector<std::wstring> renderNames_;
    std::vector<std::wstring> renderIds_;
    std::vector<std::wstring> captureNames_;
    std::vector<std::wstring> captureIds_;
    // Declared first of the COM members, so it is undone after they are released.
    base::ComInit com_{COINIT_MULTITHREADED};
    Microsoft::WRL::ComPtr<IMMDeviceEnumerator> enumerator_;
    // Made with the wrapper and shared with it; ends after the wrapper is unregistered.
    std::shared_ptr<SerialWorker> worker_;
    Microsoft::WRL::ComPtr<QevAudioDevMonitorWrapper> wrapper_;
};

}  // namespace qev::winaudio
