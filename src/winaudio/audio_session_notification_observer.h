#pragma once

#include <windows.h>

#include <audiopolicy.h>
#include <wrl/client.h>

#include <string>

namespace qev::winaudio {

// Told about each new session of an endpoint, on the Windows notification thread.
class AudioSessionNotificationObserver {
public:
    virtual ~AudioSessionNotificationObserver() = default;
    virtual void on_session_created(const std::wstring& endpointId,
                                    Microsoft::WRL::ComPtr<IAudioSessionControl> session) = 0;
};

}  // namespace qev::winaudio
