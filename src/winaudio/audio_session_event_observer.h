#pragma once

#include <windows.h>

#include <audiopolicy.h>

#include <memory>

#include "winaudio/audio_session_control_info.h"

namespace qev::winaudio {

// Told about state changes and disconnects of registered sessions, on the Windows notification thread.
class AudioSessionEventObserver {
public:
    virtual ~AudioSessionEventObserver() = default;
    virtual void on_session_state_changed(AudioSessionState newState,
                                          std::shared_ptr<AudioSessionControlInfo> info) = 0;
    virtual void on_session_disconnected(AudioSessionDisconnectReason reason,
                                         std::shared_ptr<AudioSessionControlInfo> info) = 0;
};

}  // namespace qev::winaudio
