#include "session_enumerator.h"

#include <audioclient.h>

#include "audio_service_state.h"
#include "session_control.h"

namespace qevsim {

SessionEnumerator::SessionEnumerator(std::vector<SessionRecord> sessions, std::shared_ptr<std::atomic<bool>> enumerated,
                                     DWORD run)
    : sessions_(std::move(sessions)), enumerated_(std::move(enumerated)), run_(run)
{}

HRESULT SessionEnumerator::GetCount(int* count)
{
    if (count == nullptr) {
        return E_POINTER;
    }
    if (AudioServiceState::generation() != run_) {
        return AUDCLNT_E_SERVICE_NOT_RUNNING;
    }
    *count = static_cast<int>(sessions_.size());
    *enumerated_ = true;
    return S_OK;
}

HRESULT SessionEnumerator::GetSession(int index, IAudioSessionControl** session)
{
    if (session == nullptr) {
        return E_POINTER;
    }
    *session = nullptr;
    if (AudioServiceState::generation() != run_) {
        return AUDCLNT_E_SERVICE_NOT_RUNNING;
    }
    if (index < 0 || static_cast<std::size_t>(index) >= sessions_.size()) {
        return E_INVALIDARG;
    }
    return handOut(new (std::nothrow) SessionControl(sessions_[static_cast<std::size_t>(index)], run_),
                   __uuidof(IAudioSessionControl), reinterpret_cast<void**>(session));
}

}  // namespace qevsim
