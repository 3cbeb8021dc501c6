#include "winaudio/session_queries.h"

#include <wrl/client.h>

namespace qev::winaudio {

bool GetSessionProcessId(IAudioSessionControl* session, std::uint32_t& processId)
{
    Microsoft::WRL::ComPtr<IAudioSessionControl2> control;
    DWORD id = 0;
    if (session == nullptr || FAILED(session->QueryInterface(IID_PPV_ARGS(&control))) ||
        FAILED(control->GetProcessId(&id))) {
        return false;
    }
    processId = id;
    return true;
}

bool GetSessionState(IAudioSessionControl* session, AudioSessionState& state)
{
    AudioSessionState read = AudioSessionStateInactive;
    if (session == nullptr || FAILED(session->GetState(&read))) {
        return false;
    }
    state = read;
    return true;
}

}  // namespace qev::winaudio
