#pragma once

#include <windows.h>

#include <endpointvolume.h>
#include <mmdeviceapi.h>

#include <atomic>

#include "winaudio/device_event_callbacks.h"

namespace qev::winaudio {

// Forwards endpoint notifications to the owner's callback table. The table is copied, so a
// notification that arrives while the owner goes away still finds valid entries.
class QevAudioDevMonitorWrapper final : public IMMNotificationClient, public IAudioEndpointVolumeCallback {
public:
    explicit QevAudioDevMonitorWrapper(const DeviceEventCallbacks& callbacks);
    QevAudioDevMonitorWrapper(const QevAudioDevMonitorWrapper&) = delete;
    QevAudioDevMonitorWrapper& operator=(const QevAudioDevMonitorWrapper&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE OnDeviceStateChanged(LPCWSTR id, DWORD newState) override;
    HRESULT STDMETHODCALLTYPE OnDeviceAdded(LPCWSTR id) override;
    HRESULT STDMETHODCALLTYPE OnDeviceRemoved(LPCWSTR id) override;
    HRESULT STDMETHODCALLTYPE OnDefaultDeviceChanged(EDataFlow flow, ERole role, LPCWSTR id) override;
    HRESULT STDMETHODCALLTYPE OnPropertyValueChanged(LPCWSTR id, const PROPERTYKEY key) override;

    HRESULT STDMETHODCALLTYPE OnNotify(PAUDIO_VOLUME_NOTIFICATION_DATA data) override;

private:
    ~QevAudioDevMonitorWrapper() = default;

    std::atomic<ULONG> refCount_{1};
    const DeviceEventCallbacks callbacks_;
};

}  // namespace qev::winaudio
