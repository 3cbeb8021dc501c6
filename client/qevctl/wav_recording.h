#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qev::client::qevctl {

// A recording as the voice-print library takes it: 16 kHz mono samples as 32-bit floats.
// Read from a WAV file of 16-bit PCM or 32-bit float samples, 16 kHz, one channel. False, with the
// reason in `error`, for anything else.
bool read_wav_recording(const std::string& path, std::vector<std::uint8_t>& samples, std::string& error);

}  // namespace qev::client::qevctl
