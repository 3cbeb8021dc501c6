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
    return true;
}

bool AudioSessionEventHandler::registered() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return registered_;
}

void AudioSessionEventHandler::Unregister()
{
    unregister_with(L"Failed to unregister audio session notification, hr: 0x%08X\n");
}

void AudioSessionEventHandler::unregister_with(const wchar_t* failureMessage)
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
        session = std::move(session_);
    }
    AddRef();  // the session may drop its reference during the call
    const HRESULT hr = session->UnregisterAudioSessionNotification(this);
    if (FAILED(hr)) {
        base::log_wprintf(failureMessage, static_cast<unsigned>(hr));
    }
    gate_.wait_idle();
    session.Reset();
    Release();  // may free this object
}

bool AudioSessionEventHandler::release_held_reference()
{
    if (!registered()) {
        return false;
    }
    // Unregistering drops the source's reference and frees this object: nothing of it is touched
    // afterwards.
    unregister_with(L"Failed to unregister audio session notification in Release, hr: 0x%08X\n");
    return true;
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
