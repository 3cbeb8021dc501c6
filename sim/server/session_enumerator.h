#pragma once

#include <windows.h>

#include <audiopolicy.h>

#include <atomic>
#include <memory>
#include <vector>

#include "com_object.h"
#include "session_store.h"

namespace qevsim {

// IAudioSessionEnumerator: the sessions of an endpoint when it was made. Counting them opens its
// session manager's session-created notifications. Fails with AUDCLNT_E_SERVICE_NOT_RUNNING once
// the audio service run it was made in has ended.
class SessionEnumerator final : public ComObject<IAudioSessionEnumerator> {
public:
    SessionEnumerator(std::vector<SessionRecord> sessions, std::shared_ptr<std::atomic<bool>> enumerated, DWORD run);

    HRESULT STDMETHODCALLTYPE GetCount(int* count) override;
    HRESULT STDMETHODCALLTYPE GetSession(int index, IAudioSessionControl** session) override;

private:
    const std::vector<SessionRecord> sessions_;
    const std::shared_ptr<std::atomic<bool>> enumerated_;
    const DWORD run_;
};

}  // namespace qevsim
