#include "raw_session_listener.h"

#include <mmdeviceapi.h>

#include "base/com_object.h"

using Microsoft::WRL::ComPtr;

namespace qev::bench {

namespace {

// On the simulator's notification threads: notes the arrival and returns.
class StateEvents final : public base::ComObject<IAudioSessionEvents> {
public:
    explicit StateEvents(ArrivalQueue<AudioSessionState>& states) : states_(states) {}

    HRESULT STDMETHODCALLTYPE OnStateChanged(AudioSessionState state) override
    {
        states_.push(state);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnDisplayNameChanged(LPCWSTR, LPCGUID) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnIconPathChanged(LPCWSTR, LPCGUID) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnSimpleVolumeChanged(float, BOOL, LPCGUID) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnChannelVolumeChanged(DWORD, float*, DWORD, LPCGUID) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnGroupingParamChanged(LPCGUID, LPCGUID) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnSessionDisconnected(AudioSessionDisconnectReason) override { return S_OK; }

private:
    ArrivalQueue<AudioSessionState>& states_;
};

}  // namespace

RawSessionListener::~RawSessionListener()
{
    if (session_ && events_) {
        session_->UnregisterAudioSessionNotification(events_.Get());
    }
}

bool RawSessionListener::start(const std::wstring& endpointId, DWORD processId)
{
    session_ = find_session(endpointId, processId);
    if (!session_) {
        return false;
    }
    events_ = base::make_com<StateEvents>(states_);
    if (FAILED(session_->RegisterAudioSessionNotification(events_.Get()))) {
        events_.Reset();
        return false;
    }
    return true;
}

ComPtr<IAudioSessionControl> RawSessionListener::find_session(const std::wstring& endpointId, DWORD processId) const
{
    ComPtr<IMMDeviceEnumerator> enumerator;
    ComPtr<IMMDevice> device;
    ComPtr<IAudioSessionManager2> manager;
    ComPtr<IAudioSessionEnumerator> sessions;
    int count = 0;
    if (FAILED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL, IID_PPV_ARGS(&enumerator))) ||
        FAILED(enumerator->GetDevice(endpointId.c_str(), &device)) ||
        FAILED(device->Activate(__uuidof(IAudioSessionManager2), CLSCTX_ALL, nullptr,
                                reinterpret_cast<void**>(manager.GetAddressOf()))) ||
        FAILED(manager->GetSessionEnumerator(&sessions)) || FAILED(sessions->GetCount(&count))) {
        return nullptr;
    }
    for (int index = 0; index < count; ++index) {
        ComPtr<IAudioSessionControl> session;
        ComPtr<IAudioSessionControl2> session2;
        DWORD owner = 0;
        if (SUCCEEDED(sessions->GetSession(index, &session)) && SUCCEEDED(session.As(&session2)) &&
            SUCCEEDED(session2->GetProcessId(&owner)) && owner == processId) {
            return session;
        }
    }
    return nullptr;
}

}  // namespace qev::bench
