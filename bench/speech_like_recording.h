#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qev::bench {

// seconds of 16 kHz mono 32-bit float samples that behave like an enrollment recording: voiced
// syllables (a gliding fundamental with harmonics under a syllable envelope), pauses, and a little
// background noise. Deterministic.
std::vector<std::uint8_t> speech_like_recording(std::size_t seconds);

}  // namespace qev::bench
