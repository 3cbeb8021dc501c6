#include "winaudio/qev_audio_dev_monitor_wrapper.h"

#include <string>

namespace qev::winaudio {

QevAudioDevMonitorWrapper::QevAudioDevMonitorWrapper(const DeviceEventCallbacks& callbacks,
                                                     std::shared_ptr<SerialWorker> worker)
    : callbacks_(callbacks), worker_(std::move(worker))
{}

void QevAudioDevMonitorWrapper::forward(std::function<void()> call) const
{
    if (worker_) {
        worker_->post(std::move(call));
    } else {
        call();
    }
}

HRESULT QevAudioDevMonitorWrapper::OnDeviceStateChanged(LPCWSTR id, DWORD newState)
{
    if (const auto callback = callbacks_.stateChanged) {
        forward([callback, id = std::wstring(id != nullptr ? id : L""), newState] { callback(id.c_str(), newState); });
    }
    return S_OK;
}

HRESULT QevAudioDevMonitorWrapper::OnDeviceAdded(LPCWSTR id)
{
    if (const auto callback = callbacks_.deviceAdded) {
        forward([callback, id = std::wstring(id != nullptr ? id : L"")] { callback(id.c_str()); });
    }
    return S_OK;
}

HRESULT QevAudioDevMonitorWrapper::OnDeviceRemoved(LPCWSTR id)
{
    if (const auto callback = callbacks_.deviceRemoved) {
        forward([callback, id = std::wstring(id != nullptr ? id : L"")] { callback(id.c_str()); });
    }
    return S_OK;
}

HRESULT QevAudioDevMonitorWrapper::OnDefaultDeviceChanged(EDataFlow flow, ERole role, LPCWSTR id)
{
    if (const auto callback = callbacks_.defaultDeviceChanged) {
        // No default left comes as a null id, and goes on as one.
        const bool none = id == nullptr;
        forward([callback, flow, role, none, id = std::wstring(none ? L"" : id)] {
            callback(flow, role, none ? nullptr : id.c_str());
        });
    }
    return S_OK;
}

HRESULT QevAudioDevMonitorWrapper::OnPropertyValueChanged(LPCWSTR id, const PROPERTYKEY key)
{
    if (const auto callback = callbacks_.propertyValueChanged) {
        forward([callback, id = std::wstring(id != nullptr ? id : L""), key] { callback(id.c_str(), key); });
    }
    return S_OK;
}

HRESULT QevAudioDevMonitorWrapper::OnNotify(PAUDIO_VOLUME_NOTIFICATION_DATA)
{
    return S_OK;
}

}  // namespace qev::winaudio
