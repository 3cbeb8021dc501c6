#pragma once

#include <windows.h>

#include <endpointvolume.h>
#include <mmdeviceapi.h>

#include "base/com_object.h"
#include <functional>
#include <memory>

#include "winaudio/device_event_callbacks.h"
#include "winaudio/serial_worker.h"

namespace qev::winaudio {

// Forwards endpoint notifications to the owner's callback table. The table is copied, so a
// notification that arrives while the owner goes away still finds valid entries. Given a worker,
// it only posts each notification there and returns, and the callbacks run on the worker.
class QevAudioDevMonitorWrapper final : public base::ComObject<IMMNotificationClient, IAudioEndpointVolumeCallback> {
public:
    explicit QevAudioDevMonitorWrapper(const DeviceEventCallbacks& callbacks,
                                       std::shared_ptr<SerialWorker> worker = nullptr);

    HRESULT STDMETHODCALLTYPE OnDeviceStateChanged(LPCWSTR id, DWORD newState) override;
    HRESULT STDMETHODCALLTYPE OnDeviceAdded(LPCWSTR id) override;
    HRESULT STDMETHODCALLTYPE OnDeviceRemoved(LPCWSTR id) override;
    HRESULT STDMETHODCALLTYPE OnDefaultDeviceChanged(EDataFlow flow, ERole role, LPCWSTR id) override;
    HRESULT STDMETHODCALLTYPE OnPropertyValueChanged(LPCWSTR id, const PROPERTYKEY key) override;

    HRESULT STDMETHODCALLTYPE OnNotify(PAUDIO_VOLUME_NOTIFICATION_DATA data) override;

private:
    ~QevAudioDevMonitorWrapper() override = default;

    // Runs call on the worker, or at once without one.
    void forward(std::function<void()> call) const;

    const DeviceEventCallbacks callbacks_;
    const std::shared_ptr<SerialWorker> worker_;
};

}  // namespace qev::winaudio
