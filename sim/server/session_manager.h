#pragma once

#include <windows.h>

#include <audiopolicy.h>

#include <atomic>
#include <memory>
#include <string>

#include "com_object.h"

namespace qevsim {

// IAudioSessionManager2 of one active endpoint. Session-created notifications registered with it
// are delivered once an enumerator it made was counted, and only to a client that registered from
// the multithreaded apartment (IAudioSessionManager2::RegisterSessionNotification). It belongs to
// the audio service run it was made in: once that ended, every call but an unregistration fails
// with AUDCLNT_E_SERVICE_NOT_RUNNING, and its clients hear nothing more.
class SessionManager final : public ComObject<IAudioSessionManager2> {
public:
    SessionManager(std::wstring endpointId, DWORD run);

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
    bool serviceGone() const;

    const std::wstring endpointId_;
    const DWORD run_;
    // Set by GetCount of any enumerator this manager made.
    const std::shared_ptr<std::atomic<bool>> enumerated_ = std::make_shared<std::atomic<bool>>(false);
};

}  // namespace qevsim
