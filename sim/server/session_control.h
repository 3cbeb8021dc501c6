#pragma once

#include <windows.h>

#include <audiopolicy.h>

#include <string>

#include "com_object.h"
#include "session_store.h"

namespace qevsim {

// IAudioSessionControl2 over one session of the machine; state and names are read live. It belongs
// to the audio service run it was made in: once that run ended, every call but an unregistration
// fails with AUDCLNT_E_SERVICE_NOT_RUNNING, also after the service started again.
class SessionControl final : public ComObject<IAudioSessionControl2> {
public:
    SessionControl(SessionRecord record, DWORD run);

    // IAudioSessionControl
    HRESULT STDMETHODCALLTYPE GetState(AudioSessionState* state) override;
    HRESULT STDMETHODCALLTYPE GetDisplayName(LPWSTR* name) override;
    HRESULT STDMETHODCALLTYPE SetDisplayName(LPCWSTR name, LPCGUID context) override;
    HRESULT STDMETHODCALLTYPE GetIconPath(LPWSTR* path) override;
    HRESULT STDMETHODCALLTYPE SetIconPath(LPCWSTR path, LPCGUID context) override;
    HRESULT STDMETHODCALLTYPE GetGroupingParam(GUID* grouping) override;
    HRESULT STDMETHODCALLTYPE SetGroupingParam(LPCGUID grouping, LPCGUID context) override;
    HRESULT STDMETHODCALLTYPE RegisterAudioSessionNotification(IAudioSessionEvents* events) override;
    HRESULT STDMETHODCALLTYPE UnregisterAudioSessionNotification(IAudioSessionEvents* events) override;
    // IAudioSessionControl2
    HRESULT STDMETHODCALLTYPE GetSessionIdentifier(LPWSTR* identifier) override;
    HRESULT STDMETHODCALLTYPE GetSessionInstanceIdentifier(LPWSTR* identifier) override;
    HRESULT STDMETHODCALLTYPE GetProcessId(DWORD* processId) override;
    HRESULT STDMETHODCALLTYPE IsSystemSoundsSession() override;
    HRESULT STDMETHODCALLTYPE SetDuckingPreference(WINBOOL optOut) override;

    // The notification scope of this session's events.
    static std::wstring eventScope(const SessionRecord& record);

protected:
    // Also answers the interface the listed one extends.
    void* extra_interface(REFIID iid) override;

private:
    SessionRecord current() const;
    bool serviceGone() const;

    const SessionRecord record_;
    const DWORD run_;
};

// A copy of text in task memory for an out parameter.
HRESULT copyToTaskMemory(const std::wstring& text, LPWSTR* out);

}  // namespace qevsim
