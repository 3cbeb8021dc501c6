#pragma once

#include <windows.h>

#include <audiopolicy.h>
#include <wrl/client.h>

#include <memory>
#include <string>

#include "winaudio/audio_session_control_info.h"

namespace qev::session {

// What a notification callback recorded for the filter's worker, which does the work Windows
// forbids inside callbacks (opening devices, registering and unregistering sessions).
struct SessionChange {
    enum class Kind { DeviceArrived, SessionCreated, StateChanged, Disconnected };

    Kind kind;
    std::wstring endpointId;
    Microsoft::WRL::ComPtr<IAudioSessionControl> session;     // SessionCreated
    std::shared_ptr<winaudio::AudioSessionControlInfo> info;  // StateChanged, Disconnected
    AudioSessionState state = AudioSessionStateInactive;      // StateChanged
};

}  // namespace qev::session
