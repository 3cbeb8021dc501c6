#include "winaudio/audio_session_event_handler.h"

#include "base/logging.h"
#include "base/co_task_memory.h"

using Microsoft::WRL::ComPtr;

namespace qev::winaudio {

namespace {

std::wstring read_session_text(IAudioSessionControl* session,
                               HRESULT (STDMETHODCALLTYPE IAudioSessionControl2::*read)(LPWSTR*))
{
    ComPtr<IAudioSessionControl2> control;
    if (session == nullptr || FAILED(session->QueryInterface(__uuidof(IAudioSessionControl2),
                                                             reinterpret_cast<void**>(control.GetAddressOf())))) {
        return {};
    }
    base::CoTaskString text;
    const HRESULT hr = (control.Get()->*read)(text.put());
    return SUCCEEDED(hr) ? base::to_wstring(text) : std::wstring();
}

std::uint32_t read_process_id(IAudioSessionControl* session)
{
    ComPtr<IAudioSessionControl2> control;
    if (session == nullptr || FAILED(session->QueryInterface(__uuidof(IAudioSessionControl2),
                                                             reinterpret_cast<void**>(control.GetAddressOf())))) {
        return 0;
    }
    DWORD processId = 0;
    return SUCCEEDED(control->GetProcessId(&processId)) ? processId : 0;
}

}  // namespace

AudioSessionEventHandler::AudioSessionEventHandler(const std::wstring& endpointId, ComPtr<IAudioSessionControl> session)
    : session_(std::move(session)), info_(std::make_shared<AudioSessionControlInfo>())
{
    info_->endpointId = endpointId;
    info_->sessionIdentifier = read_session_text(session_.Get(), &IAudioSessionControl2::GetSessionIdentifier);
    info_->sessionInstanceIdentifier =
        read_session_text(session_.Get(), &IAudioSessionControl2::GetSessionInstanceIdentifier);
    info_->processId = read_process_id(session_.Get());
}

bool AudioSessionEventHandler::Register(const AudioSessionEventCallbacks& callbacks, void* context)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (registered_ || !session_) {
        return false;
    }
    const HRESULT hr = session_->RegisterAudioSessionNotification(this);
    if (FAILED(hr)) {
        base::log_wprintf(L"Failed to register audio session notification, hr: 0x%08X\n", static_cast<unsigned>(hr));
        return false;
    }
    registered_ = true;
    context_ = context;
    callbacks_ = callbacks;
    AddRef();  // the registration's own: the object outlives its registration
    return true;
}

bool AudioSessionEventHandler::registered() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return registered_;
}

void AudioSessionEventHandler::Unregister()
{
    ComPtr<IAudioSessionControl> session;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!registered_ || !session_) {
            return;
        }
        registered_ = false;
        context_ = nullptr;
        callbacks_ = AudioSessionEventCallbacks{};
        session.Swap(session_);  // mingw-w64's move assignment would copy
    }
    const HRESULT hr = session->UnregisterAudioSessionNotification(this);
    gate_.wait_idle();
    session.Reset();
    if (FAILED(hr)) {
        // Still registered as far as Windows knows: the object must outlive the registration.
        base::log_wprintf(L"Failed to unregister audio session notification, hr: 0x%08X\n", static_cast<unsigned>(hr));
        return;
    }
    Release();  // the registration's own; may free this object
}

void AudioSessionEventHandler::Silence()
{
    std::lock_guard<std::mutex> lock(mutex_);
    context_ = nullptr;
    callbacks_ = AudioSessionEventCallbacks{};
}

template <typename Call>
HRESULT AudioSessionEventHandler::deliver(Call call)
{
    AddRef();  // an observer may unregister this session from inside the callback
    AudioSessionEventCallbacks callbacks;
    void* context = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        callbacks = callbacks_;
        context = context_;
        gate_.enter();
    }
    HRESULT hr = S_OK;
    {
        CallbackGate::Pass pass(gate_);
        hr = call(callbacks, context);
    }
    Release();
    return hr;
}

HRESULT AudioSessionEventHandler::OnDisplayNameChanged(LPCWSTR name, LPCGUID eventContext)
{
    return deliver([&](const AudioSessionEventCallbacks& callbacks, void* context) {
        return callbacks.displayNameChanged ? callbacks.displayNameChanged(name, eventContext, info_, context) : S_OK;
    });
}

HRESULT AudioSessionEventHandler::OnIconPathChanged(LPCWSTR path, LPCGUID eventContext)
{
    return deliver([&](const AudioSessionEventCallbacks& callbacks, void* context) {
        return callbacks.iconPathChanged ? callbacks.iconPathChanged(path, eventContext, info_, context) : S_OK;
    });
}

HRESULT AudioSessionEventHandler::OnSimpleVolumeChanged(float volume, BOOL mute, LPCGUID eventContext)
{
    return deliver([&](const AudioSessionEventCallbacks& callbacks, void* context) {
        return callbacks.simpleVolumeChanged ? callbacks.simpleVolumeChanged(volume, mute, eventContext, info_, context)
                                             : S_OK;
    });
}

HRESULT AudioSessionEventHandler::OnChannelVolumeChanged(DWORD channelCount, float volumes[], DWORD changedChannel,
                                                         LPCGUID eventContext)
{
    return deliver([&](const AudioSessionEventCallbacks& callbacks, void* context) {
        return callbacks.channelVolumeChanged
                   ? callbacks.channelVolumeChanged(channelCount, volumes, changedChannel, eventContext, info_, context)
                   : S_OK;
    });
}

HRESULT AudioSessionEventHandler::OnGroupingParamChanged(LPCGUID grouping, LPCGUID eventContext)
{
    return deliver([&](const AudioSessionEventCallbacks& callbacks, void* context) {
        return callbacks.groupingParamChanged ? callbacks.groupingParamChanged(grouping, eventContext, info_, context)
                                              : S_OK;
    });
}

HRESULT AudioSessionEventHandler::OnStateChanged(AudioSessionState state)
{
    return deliver([&](const AudioSessionEventCallbacks& callbacks, void* context) {
        return callbacks.stateChanged ? callbacks.stateChanged(state, info_, context) : S_OK;
    });
}

HRESULT AudioSessionEventHandler::OnSessionDisconnected(AudioSessionDisconnectReason reason)
{
    return deliver([&](const AudioSessionEventCallbacks& callbacks, void* context) {
        return callbacks.sessionDisconnected ? callbacks.sessionDisconnected(reason, info_, context) : S_OK;
    });
}

}  // namespace qev::winaudio
