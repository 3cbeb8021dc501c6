#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qevsim::vprb {

// What a test sets for the stand-in library, read from HKLM\SOFTWARE\qevsim\VPRB01 at every call
// (see sim/README.md): its version, its voice-print length, and the calls that fail.
struct LibrarySettings {
    std::uint32_t major = 1;
    std::uint32_t minor = 0;
    std::uint32_t patch = 0;
    std::uint32_t digits = 64;
    std::vector<std::string> failingCalls;
    bool incomplete = false;

    static LibrarySettings read();
    bool fails(const char* call) const;
};

}  // namespace qevsim::vprb
