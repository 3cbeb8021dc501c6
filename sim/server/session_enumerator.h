#pragma once

#include <windows.h>

#include <audiopolicy.h>

#include <vector>

#include "com_object.h"
#include "session_store.h"

namespace qevsim {

// IAudioSessionEnumerator: the sessions of an endpoint when it was made.
class SessionEnumerator final : public ComObject<IAudioSessionEnumerator> {
public:
    explicit SessionEnumerator(std::vector<SessionRecord> sessions);

    HRESULT STDMETHODCALLTYPE GetCount(int* count) override;
    HRESULT STDMETHODCALLTYPE GetSession(int index, IAudioSessionControl** session) override;

private:
    const std::vector<SessionRecord> sessions_;
};

}  // namespace qevsim
