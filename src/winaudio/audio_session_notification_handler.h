#pragma once

#include <windows.h>

#include <audiopolicy.h>
#include <wrl/client.h>

#include <atomic>
#include <mutex>

#include "winaudio/callback_gate.h"

namespace qev::winaudio {

// Receives the session-created notifications of one endpoint's session manager. Count starts at 1.
// Unregistration clears the callback under the mutex, calls Windows outside it with the count
// raised, and waits for callbacks still running on other threads.
class AudioSessionNotificationHandler final : public IAudioSessionNotification {
public:
    using Callback = HRESULT (*)(IAudioSessionControl* session, void* context);

    AudioSessionNotificationHandler() = default;
    AudioSessionNotificationHandler(const AudioSessionNotificationHandler&) = delete;
    AudioSessionNotificationHandler& operator=(const AudioSessionNotificationHandler&) = delete;

    bool Register(Microsoft::WRL::ComPtr<IAudioSessionManager2> manager, Callback callback, void* context);
    void Unregister();
    bool registered() const;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE OnSessionCreated(IAudioSessionControl* session) override;

private:
    ~AudioSessionNotificationHandler() = default;

    void UnregisterWith(const wchar_t* failureMessage);

    std::atomic<ULONG> refCount_{1};
    bool registered_ = false;
    Microsoft::WRL::ComPtr<IAudioSessionManager2> manager_;
    void* context_ = nullptr;
    Callback callback_ = nullptr;
    mutable std::mutex mutex_;
    CallbackGate gate_;
};

}  // namespace qev::winaudio
