#pragma once

#include <windows.h>

#include <audiopolicy.h>

#include <string>

#include "com_object.h"

namespace qevsim {

// IAudioSessionManager2 of one active endpoint.
class SessionManager final : public ComObject<IAudioSessionManager2> {
public:
    explicit SessionManager(std::wstring endpointId);

    // IAudioSessionManager
    HRESULT STDMETHODCALLTYPE GetAudioSessionControl(LPCGUID session, DWORD flags,
                                                     IAudioSessionControl** control) override;
    HRESULT STDMETHODCALLTYPE GetSimpleAudioVolume(LPCGUID session, DWORD flags, ISimpleAudioVolume** volume) override;
    // IAudioSessionManager2
    HRESULT STDMETHODCALLTYPE GetSessionEnumerator(IAudioSessionEnumerator** sessions) override;
    HRESULT STDMETHODCALLTYPE RegisterSessionNotification(IAudioSessionNotification* client) override;
    HRESULT STDMETHODCALLTYPE UnregisterSessionNotification(IAudioSessionNotification* client) override;
    HRESULT STDMETHODCALLTYPE RegisterDuckNotification(LPCWSTR sessionId,
                                                       IAudioVolumeDuckNotification* client) override;
    HRESULT STDMETHODCALLTYPE UnregisterDuckNotification(IAudioVolumeDuckNotification* client) override;

protected:
    // Also answers the interface the listed one extends.
    void* extra_interface(REFIID iid) override;

private:
    const std::wstring endpointId_;
};

}  // namespace qevsim
