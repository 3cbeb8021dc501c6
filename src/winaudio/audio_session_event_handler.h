#pragma once

#include <windows.h>

#include <audiopolicy.h>
#include <wrl/client.h>

#include <memory>
#include <mutex>
#include <string>

#include "base/com_object.h"
#include "winaudio/audio_session_control_info.h"
#include "winaudio/callback_gate.h"

namespace qev::winaudio {

// The owner's handlers, one per IAudioSessionEvents notification, each with the session info and
// the owner's context.
struct AudioSessionEventCallbacks {
    using Info = std::shared_ptr<AudioSessionControlInfo>;
    HRESULT (*displayNameChanged)(LPCWSTR name, LPCGUID eventContext, Info info, void* context) = nullptr;
    HRESULT (*iconPathChanged)(LPCWSTR path, LPCGUID eventContext, Info info, void* context) = nullptr;
    HRESULT (*simpleVolumeChanged)(float volume, BOOL mute, LPCGUID eventContext, Info info, void* context) = nullptr;
    HRESULT(*channelVolumeChanged)
    (DWORD channelCount, float* volumes, DWORD changedChannel, LPCGUID eventContext, Info info,
     void* context) = nullptr;
    HRESULT (*groupingParamChanged)(LPCGUID grouping, LPCGUID eventContext, Info info, void* context) = nullptr;
    HRESULT (*stateChanged)(AudioSessionState state, Info info, void* context) = nullptr;
    HRESULT (*sessionDisconnected)(AudioSessionDisconnectReason reason, Info info, void* context) = nullptr;
};

// Receives the events of one session. Count starts at 1; while registered it holds a reference to
// itself, so its life never rests on one the session may hold. Unregistration clears the callbacks
// under the mutex, calls Windows outside it and waits for callbacks still running on other
// threads, so the context is unused once it returns; then it drops that reference (the owner
// unregisters before it lets go).
class AudioSessionEventHandler final : public base::ComObject<IAudioSessionEvents> {
public:
    AudioSessionEventHandler(const std::wstring& endpointId, Microsoft::WRL::ComPtr<IAudioSessionControl> session);

    bool Register(const AudioSessionEventCallbacks& callbacks, void* context);
    void Unregister();
    // Drops the callbacks and context at once, without calling Windows or waiting: what can be
    // done inside a notification callback. Unregister still has to follow, elsewhere.
    void Silence();
    bool registered() const;
    const std::shared_ptr<AudioSessionControlInfo>& info() const { return info_; }

    HRESULT STDMETHODCALLTYPE OnDisplayNameChanged(LPCWSTR name, LPCGUID eventContext) override;
    HRESULT STDMETHODCALLTYPE OnIconPathChanged(LPCWSTR path, LPCGUID eventContext) override;
    HRESULT STDMETHODCALLTYPE OnSimpleVolumeChanged(float volume, BOOL mute, LPCGUID eventContext) override;
    HRESULT STDMETHODCALLTYPE OnChannelVolumeChanged(DWORD channelCount, float volumes[], DWORD changedChannel,
                                                     LPCGUID eventContext) override;
    HRESULT STDMETHODCALLTYPE OnGroupingParamChanged(LPCGUID grouping, LPCGUID eventContext) override;
    HRESULT STDMETHODCALLTYPE OnStateChanged(AudioSessionState state) override;
    HRESULT STDMETHODCALLTYPE OnSessionDisconnected(AudioSessionDisconnectReason reason) override;

private:
    ~AudioSessionEventHandler() override = default;

    // Runs one notification: keeps this object alive and inside the gate while the callback runs.
    template <typename Call>
    HRESULT deliver(Call call);

    bool registered_ = false;
    Microsoft::WRL::ComPtr<IAudioSessionControl> session_;
    void* context_ = nullptr;
    AudioSessionEventCallbacks callbacks_;
    std::shared_ptr<AudioSessionControlInfo> info_;
    mutable std::mutex mutex_;
    CallbackGate gate_;
};

}  // namespace qev::winaudio
