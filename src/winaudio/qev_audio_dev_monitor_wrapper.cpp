#include "winaudio/qev_audio_dev_monitor_wrapper.h"

namespace qev::winaudio {

QevAudioDevMonitorWrapper::QevAudioDevMonitorWrapper(const DeviceEventCallbacks& callbacks) : callbacks_(callbacks)
{}

HRESULT QevAudioDevMonitorWrapper::OnDeviceStateChanged(LPCWSTR id, DWORD newState)
{
    if (callbacks_.stateChanged != nullptr) {
        callbacks_.stateChanged(id, newState);
    }
    return S_OK;
}

HRESULT QevAudioDevMonitorWrapper::OnDeviceAdded(LPCWSTR id)
{
    if (callbacks_.deviceAdded != nullptr) {
        callbacks_.deviceAdded(id);
    }
    return S_OK;
}

HRESULT QevAudioDevMonitorWrapper::OnDeviceRemoved(LPCWSTR id)
{
    if (callbacks_.deviceRemoved != nullptr) {
        callbacks_.deviceRemoved(id);
    }
    return S_OK;
}

HRESULT QevAudioDevMonitorWrapper::OnDefaultDeviceChanged(EDataFlow flow, ERole role, LPCWSTR id)
{
    if (callbacks_.defaultDeviceChanged != nullptr) {
        callbacks_.defaultDeviceChanged(flow, role, id);
    }
    return S_OK;
}

HRESULT QevAudioDevMonitorWrapper::OnPropertyValueChanged(LPCWSTR id, const PROPERTYKEY key)
{
    if (callbacks_.propertyValueChanged != nullptr) {
        callbacks_.propertyValueChanged(id, key);
    }
    return S_OK;
}

HRESULT QevAudioDevMonitorWrapper::OnNotify(PAUDIO_VOLUME_NOTIFICATION_DATA)
{
    return S_OK;
}

}  // namespace qev::winaudio
