#pragma once

#include <windows.h>

#include <audiopolicy.h>
#include <wrl/client.h>

#include <mutex>

#include "base/com_object.h"
#include "winaudio/callback_gate.h"

namespace qev::winaudio {

// Receives the session-created notifications of one endpoint's session manager. Count starts at 1;
// while registered it holds a reference to itself, so its life never rests on one the manager may
// hold. Unregistration clears the callback under the mutex, calls Windows outside it, waits for
// callbacks still running on other threads and then drops that reference (the owner unregisters
// before it lets go).
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

    bool registered_ = false;
    Microsoft::WRL::ComPtr<IAudioSessionManager2> manager_;
    void* context_ = nullptr;
    Callback callback_ = nullptr;
    mutable std::mutex mutex_;
    CallbackGate gate_;
};

}  // namespace qev::winaudio
