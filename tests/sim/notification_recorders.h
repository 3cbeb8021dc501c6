#pragma once

#include <windows.h>

#include <audiopolicy.h>
#include <mmdeviceapi.h>

#include <chrono>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "audio_interfaces.h"
#include "base/com_object.h"

namespace qevsim::test {

// Events received by a recorder, as short lines such as "state <id> 2".
class EventLog {
public:
    void add(const std::wstring& line);
    // True once a line containing text arrived within the timeout.
    bool waitFor(const std::wstring& text, std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
    bool contains(const std::wstring& text) const;
    std::vector<std::wstring> lines() const;
    // How many threads delivered the lines.
    std::size_t threadCount() const;
    std::string dump() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::wstring> lines_;
    std::set<DWORD> threads_;
};

std::wstring keyText(const PROPERTYKEY& key);
inline std::wstring idText(LPCWSTR id)
{
    return id == nullptr ? L"(none)" : id;
}

// A COM callback that logs what it receives; its reference count is observable for leak checks.
template <typename Interface>
class Recorder : public qev::base::ComObject<Interface> {
public:
    ULONG references()
    {
        this->AddRef();
        return this->Release();
    }
    EventLog log;
    EventLog* sink = &log;  // another recorder's log, to see the order across two

protected:
    virtual HRESULT note(const std::wstring& line)
    {
        sink->add(line);
        return S_OK;
    }
};

class EndpointRecorder : public Recorder<IMMNotificationClient> {
public:
    HRESULT STDMETHODCALLTYPE OnDeviceStateChanged(LPCWSTR id, DWORD state) override
    {
        return note(L"state " + idText(id) + L" " + std::to_wstring(state));
    }
    HRESULT STDMETHODCALLTYPE OnDeviceAdded(LPCWSTR id) override { return note(L"added " + idText(id)); }
    HRESULT STDMETHODCALLTYPE OnDeviceRemoved(LPCWSTR id) override { return note(L"removed " + idText(id)); }
    HRESULT STDMETHODCALLTYPE OnDefaultDeviceChanged(EDataFlow flow, ERole role, LPCWSTR id) override
    {
        return note(L"default " + std::to_wstring(flow) + L" " + std::to_wstring(role) + L" " + idText(id));
    }
    HRESULT STDMETHODCALLTYPE OnPropertyValueChanged(LPCWSTR id, const PROPERTYKEY key) override
    {
        return note(L"property " + idText(id) + L" " + keyText(key));
    }
};

class SessionCreatedRecorder final : public Recorder<IAudioSessionNotification> {
public:
    HRESULT STDMETHODCALLTYPE OnSessionCreated(IAudioSessionControl* session) override;  // logs "created pid <n>"
};

class SessionEventRecorder final : public Recorder<IAudioSessionEvents> {
public:
    HRESULT STDMETHODCALLTYPE OnDisplayNameChanged(LPCWSTR name, LPCGUID) override
    {
        return note(L"name " + idText(name));
    }
    HRESULT STDMETHODCALLTYPE OnIconPathChanged(LPCWSTR, LPCGUID) override { return note(L"icon"); }
    HRESULT STDMETHODCALLTYPE OnSimpleVolumeChanged(float, WINBOOL, LPCGUID) override { return note(L"volume"); }
    HRESULT STDMETHODCALLTYPE OnChannelVolumeChanged(DWORD, float*, DWORD, LPCGUID) override { return note(L"volume"); }
    HRESULT STDMETHODCALLTYPE OnGroupingParamChanged(LPCGUID, LPCGUID) override { return note(L"grouping"); }
    HRESULT STDMETHODCALLTYPE OnStateChanged(AudioSessionState state) override
    {
        return note(L"session state " + std::to_wstring(state));
    }
    HRESULT STDMETHODCALLTYPE OnSessionDisconnected(AudioSessionDisconnectReason reason) override
    {
        return note(L"disconnected " + std::to_wstring(reason));
    }
};

class EffectStoreRecorder final : public Recorder<IAudioSystemEffectsPropertyChangeNotificationClient> {
public:
    HRESULT STDMETHODCALLTYPE OnPropertyChanged(AUDIO_SYSTEMEFFECTS_PROPERTYSTORE_TYPE type,
                                                const PROPERTYKEY key) override
    {
        return note(L"effect " + std::to_wstring(type) + L" " + keyText(key));
    }
};

}  // namespace qevsim::test
