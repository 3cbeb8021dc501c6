#pragma once

#include <windows.h>

#include <audiopolicy.h>
#include <wrl/client.h>

#include <mutex>

#include "base/com_object.h"
#include "winaudio/callback_gate.h"

namespace qev::winaudio {

// Receives the session-created notifications of one endpoint's session manager. Count starts at 1.
// Unregistration clears the callback under the mutex, calls Windows outside it with the count
// raised, and waits for callbacks still running on other threads.
class AudioSessionNotificationHandler final : public base::ComObject<IAudioSessionNotification> {
public:
    using Callback = HRESULT (*)(IAudioSessionControl* session, void* context);

    AudioSessionNotificationHandler() = default;

    bool Register(Microsoft::WRL::ComPtr<IAudioSessionManager2> manager, Callback callback, void* context);
    void Unregister();
    bool registered() const;

    HRESULT STDMETHODCALLTYPE OnSessionCreated(IAudioSessionControl* session) override;

private:
    ~AudioSessionNotificationHandler() override = default;

    // Only the manager's reference is left: take it back.
    bool release_held_reference() override;

    void unregister_with(const wchar_t* failureMessage);

    bool registered_ = false;
    Microsoft::WRL::ComPtr<IAudioSessionManager2> manager_;
    void* context_ = nullptr;
    Callback callback_ = nullptr;
    mutable std::mutex mutex_;
    CallbackGate gate_;
};

}  // namespace qev::winaudio
