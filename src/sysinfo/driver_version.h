#pragma once

#include <compare>
#include <cstdint>
#include <string>

namespace qev::sysinfo {

// A dotted driver or component version: major.minor.build.revision.
struct DriverVersion {
    uint16_t major = 0;
    uint16_t minor = 0;
    uint16_t build = 0;
    uint16_t revision = 0;

    // Field by field, major first.
    friend auto operator<=>(const DriverVersion&, const DriverVersion&) = default;
};

// Exactly four dot-separated decimal numbers; anything else gives 0.0.0.0. A conversion error also
// writes "Error converting version string: <error>" to stderr.
DriverVersion ParseVersion(const std::wstring& text);

// The four numbers in decimal joined by ".".
std::wstring FormatVersion(const DriverVersion& version);

}  // namespace qev::sysinfo
