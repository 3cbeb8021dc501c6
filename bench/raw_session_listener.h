#pragma once

#include <windows.h>

#include <audiopolicy.h>
#include <wrl/client.h>

#include <string>

#include "arrival_queue.h"

namespace qev::bench {

// The baseline: a bare IAudioSessionEvents client on one session of an endpoint, registered from
// the multithreaded apartment, that only notes when each state change arrives.
class RawSessionListener {
public:
    RawSessionListener() = default;
    ~RawSessionListener();
    RawSessionListener(const RawSessionListener&) = delete;
    RawSessionListener& operator=(const RawSessionListener&) = delete;

    // Registers on the endpoint's session of the process; false when there is none.
    bool start(const std::wstring& endpointId, DWORD processId);

    ArrivalQueue<AudioSessionState>& state_changes() { return states_; }

private:
    Microsoft::WRL::ComPtr<IAudioSessionControl> find_session(const std::wstring& endpointId, DWORD processId) const;

    ArrivalQueue<AudioSessionState> states_;
    Microsoft::WRL::ComPtr<IAudioSessionControl> session_;
    Microsoft::WRL::ComPtr<IAudioSessionEvents> events_;
};

}  // namespace qev::bench
