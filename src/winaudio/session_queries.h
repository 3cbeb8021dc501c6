#pragma once

#include <windows.h>

#include <audiopolicy.h>

#include <cstdint>

namespace qev::winaudio {

// Queries on one audio session, run on the caller's thread; false (output untouched) on failure.
bool GetSessionProcessId(IAudioSessionControl* session, std::uint32_t& processId);
bool GetSessionState(IAudioSessionControl* session, AudioSessionState& state);

}  // namespace qev::winaudio
