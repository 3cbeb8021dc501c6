#pragma once

#include <windows.h>

#include <audiopolicy.h>
#include <mmdeviceapi.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "audio_interfaces.h"

namespace qevsim::test {

// Events received by a recorder, as short lines such as "state <id> 2".
class EventLog {
public:
    void add(const std::wstring& line);
    // True once a line containing text arrived within the timeout.
    bool waitFor(const std::wstring& text, std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
    bool contains(const std::wstring& text) const;
    std::vector<std::wstring> lines() const;
    std::string dump() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::wstring> lines_;
};

// Reference counting shared by the recorders; the count is observable for leak checks.
class RecorderBase {
public:
    ULONG addRef() { return ++references_; }
    ULONG release();
    ULONG references() const { return references_; }
    EventLog log;

protected:
    virtual ~RecorderBase() = default;

private:
    std::atomic<ULONG> references_{1};
};

class EndpointRecorder final : public IMMNotificationClient, public RecorderBase {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return release(); }
    HRESULT STDMETHODCALLTYPE OnDeviceStateChanged(LPCWSTR id, DWORD state) override;
    HRESULT STDMETHODCALLTYPE OnDeviceAdded(LPCWSTR id) override;
    HRESULT STDMETHODCALLTYPE OnDeviceRemoved(LPCWSTR id) override;
    HRESULT STDMETHODCALLTYPE OnDefaultDeviceChanged(EDataFlow flow, ERole role, LPCWSTR id) override;
    HRESULT STDMETHODCALLTYPE OnPropertyValueChanged(LPCWSTR id, const PROPERTYKEY key) override;
};

class SessionCreatedRecorder final : public IAudioSessionNotification, public RecorderBase {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return release(); }
    HRESULT STDMETHODCALLTYPE OnSessionCreated(IAudioSessionControl* session) override;
};

class SessionEventRecorder final : public IAudioSessionEvents, public RecorderBase {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return release(); }
    HRESULT STDMETHODCALLTYPE OnDisplayNameChanged(LPCWSTR name, LPCGUID context) override;
    HRESULT STDMETHODCALLTYPE OnIconPathChanged(LPCWSTR path, LPCGUID context) override;
    HRESULT STDMETHODCALLTYPE OnSimpleVolumeChanged(float volume, WINBOOL mute, LPCGUID context) override;
    HRESULT STDMETHODCALLTYPE OnChannelVolumeChanged(DWORD count, float* volumes, DWORD channel,
                                                     LPCGUID context) override;
    HRESULT STDMETHODCALLTYPE OnGroupingParamChanged(LPCGUID grouping, LPCGUID context) override;
    HRESULT STDMETHODCALLTYPE OnStateChanged(AudioSessionState state) override;
    HRESULT STDMETHODCALLTYPE OnSessionDisconnected(AudioSessionDisconnectReason reason) override;
};

class EffectStoreRecorder final : public IAudioSystemEffectsPropertyChangeNotificationClient, public RecorderBase {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return release(); }
    HRESULT STDMETHODCALLTYPE OnPropertyChanged(AUDIO_SYSTEMEFFECTS_PROPERTYSTORE_TYPE type,
                                                const PROPERTYKEY key) override;
};

std::wstring keyText(const PROPERTYKEY& key);

}  // namespace qevsim::test
